// Turning what the user entered for a search (the find window's controls, or the
// command line's options) into the criteria of the find engine, with the same checks
// and messages for both.  Inputs are plain values; trimmed texts are handed back so
// that the window can write them into its edits.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "find/find_engine.h"
#include "platform/file_time.h"

class TWebCacheTree;

// Pages of the criteria tabs that an error points at.
enum class TFindPage { NameAndPlace, Date, Types, Size };

enum class TFindDateMode { All = 0, Between = 1, PastMonths = 2, PastDays = 3 };
enum class TFindSizeMode { None = 0, AtMost = 1, AtLeast = 2, Between = 3 };

struct TFindTypeRow {
  std::string Caption;  // ".gif"
  bool Checked = true;
};

struct TFindInputs {
  std::string FileName;  // masks separated by ';'
  std::string Contains;
  bool MatchCase = false;
  std::string Folder = "Web Cache";  // folder URL; "Web Cache" is the root
  bool SubFolders = true;
  TFindDateMode DateMode = TFindDateMode::All;
  platform::SYSTEMTIME DateBegin, DateEnd;  // the two pickers (date part used)
  std::string DateMonths = "1";
  std::string DateDays = "1";
  std::vector<TFindTypeRow> Types;  // every row of the type list
  TFindSizeMode SizeMode = TFindSizeMode::None;
  std::string SizeBegin;  // kilobytes, digits
  std::string SizeEnd;
  // "Today" for the past-months and past-days choices; all zero = the local date now.
  platform::SYSTEMTIME Today;
};

struct TFindCriteriaError {
  std::string Message;  // CP932
  TFindPage Page;
};

struct TFindCriteriaResult {
  std::unique_ptr<TFindData> Data;  // null when there were errors
  std::vector<TFindCriteriaError> Errors;  // in the order they are to be shown
  // The trimmed texts, to be written back into the edits.
  std::string FileName, Contains, Folder;
};

// Runs the checks in the window's order; every error found is listed (a missing start
// folder and an empty type choice are both reported; the size is checked only when
// nothing failed before it).
TFindCriteriaResult BuildFindCriteria(const TFindInputs& inputs, const TWebCacheTree& tree);

// The trimming of the window's edits: blanks and control characters at both ends.
std::string FindTrim(std::string_view s);

// Texts (CP932) of the checks.
std::string FindErrorCaption();      // "検索開始エラー"
std::string FindErrorNoFolder();     // "探す場所が存在しません。"
std::string FindErrorNoType();       // "種類が選択されていません。"
std::string FindErrorNoSize();       // "サイズが入力されていません。"
std::string FindPageCaption(TFindPage page);  // "名前と場所", "日付", "種類", "サイズ"

// The day number (FindDayNumber) of a date moved back `months` calendar months, the day
// clamped to the length of the month it lands in.
std::int32_t FindMonthsBack(const platform::SYSTEMTIME& today, long months);
