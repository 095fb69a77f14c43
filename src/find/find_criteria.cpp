#include "find/find_criteria.h"

#include <algorithm>
#include <string_view>

#include "platform/codepage.h"
#include "tree/web_cache_tree.h"

std::string FindTrim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return std::string(s);
}

namespace {

// Digits only; anything else (the window lets none through) reads as no value.  Large
// values are capped, so that no bound can wrap around.
bool ParseCount(const std::string& text, unsigned long long& out) {
  std::string t = FindTrim(text);
  if (t.empty()) return false;
  unsigned long long v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    v = std::min<unsigned long long>(v * 10 + unsigned(c - '0'), 1ull << 40);
  }
  out = v;
  return true;
}

std::uint32_t KilobytesToBytes(unsigned long long kb) {
  unsigned long long bytes = kb * 1024ull;  // kb is capped well below overflow
  return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(bytes);
}

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

std::int32_t DayOf(const platform::SYSTEMTIME& t) {
  return FindDayNumber(t.wYear, t.wMonth, t.wDay);
}

}  // namespace

std::string FindErrorCaption() { return platform::Utf8ToAnsi("検索開始エラー"); }
std::string FindErrorNoFolder() { return platform::Utf8ToAnsi("探す場所が存在しません。"); }
std::string FindErrorNoType() { return platform::Utf8ToAnsi("種類が選択されていません。"); }
std::string FindErrorNoSize() { return platform::Utf8ToAnsi("サイズが入力されていません。"); }

std::string FindPageCaption(TFindPage page) {
  switch (page) {
    case TFindPage::NameAndPlace: return platform::Utf8ToAnsi("名前と場所");
    case TFindPage::Date: return platform::Utf8ToAnsi("日付");
    case TFindPage::Types: return platform::Utf8ToAnsi("種類");
    case TFindPage::Size: return platform::Utf8ToAnsi("サイズ");
  }
  return {};
}

std::int32_t FindMonthsBack(const platform::SYSTEMTIME& today, long months) {
  long total = long(today.wYear) * 12 + (long(today.wMonth) - 1) - months;
  if (total < 0) total = 0;  // no further back than January of year 0
  int year = static_cast<int>(total / 12);
  int month = static_cast<int>(total % 12) + 1;
  int day = std::min<int>(today.wDay, DaysInMonth(year, month));
  return FindDayNumber(year, month, day);
}

TFindCriteriaResult BuildFindCriteria(const TFindInputs& in, const TWebCacheTree& tree) {
  TFindCriteriaResult result;
  auto data = std::make_unique<TFindData>();

  // Names: every piece between ';' is a mask; an empty piece between two ';' stays
  // (it matches every name), nothing after a final ';' is added.
  result.FileName = FindTrim(in.FileName);
  if (!result.FileName.empty()) {
    std::string_view rest = result.FileName;
    while (true) {
      std::size_t semi = platform::AnsiFind(rest, ';');
      data->AddName(FindFoldCase(rest.substr(0, semi)));
      if (semi == platform::npos) break;
      rest.remove_prefix(semi + 1);
      if (rest.empty()) break;
    }
  }

  result.Contains = FindTrim(in.Contains);
  data->IgnoreCase = !in.MatchCase;
  data->Contains = data->IgnoreCase ? FindFoldCase(result.Contains) : result.Contains;

  result.Folder = FindTrim(in.Folder);
  std::string url = result.Folder == "Web Cache" ? std::string() : result.Folder;
  data->StartNode = tree.FindFolderByUrl(url);
  if (!data->StartNode)
    result.Errors.push_back({FindErrorNoFolder(), TFindPage::NameAndPlace});

  data->SubFolders = in.SubFolders;

  platform::SYSTEMTIME today = in.Today;
  if (today == platform::SYSTEMTIME{}) today = platform::GetLocalTime();
  unsigned long long n = 0;
  switch (in.DateMode) {
    case TFindDateMode::All:
      data->DateEnabled = false;
      break;
    case TFindDateMode::Between: {
      data->DateEnabled = true;
      std::int32_t a = DayOf(in.DateBegin), b = DayOf(in.DateEnd);
      data->DateFrom = std::min(a, b);
      data->DateTo = std::max(a, b);
      break;
    }
    case TFindDateMode::PastMonths:
      // An emptied number field counts as 0: only today.
      if (!ParseCount(in.DateMonths, n)) n = 0;
      data->DateEnabled = true;
      data->DateTo = DayOf(today);
      data->DateFrom = FindMonthsBack(today, static_cast<long>(std::min(n, 120000ull)));
      break;
    case TFindDateMode::PastDays:
      if (!ParseCount(in.DateDays, n)) n = 0;
      data->DateEnabled = true;
      data->DateTo = DayOf(today);
      data->DateFrom = data->DateTo - static_cast<std::int32_t>(std::min(n, 4000000ull));
      break;
  }

  for (const TFindTypeRow& row : in.Types) {
    if (row.Checked) data->AddType(platform::AnsiLowerCase(row.Caption));
    else data->TypeEnabled = true;
  }
  if (data->TypeEnabled && data->Types.empty())
    result.Errors.push_back({FindErrorNoType(), TFindPage::Types});

  if (result.Errors.empty()) {
    unsigned long long begin = 0, end = 0;
    bool haveBegin = ParseCount(in.SizeBegin, begin);
    bool haveEnd = ParseCount(in.SizeEnd, end);
    bool missing = false;
    switch (in.SizeMode) {
      case TFindSizeMode::None:
        data->SizeEnabled = false;
        break;
      case TFindSizeMode::AtMost:
        missing = !haveBegin;
        data->SizeEnabled = true;
        data->SizeMin = 0;
        data->SizeMax = KilobytesToBytes(begin);
        break;
      case TFindSizeMode::AtLeast:
        missing = !haveBegin;
        data->SizeEnabled = true;
        data->SizeMin = KilobytesToBytes(begin);
        data->SizeMax = 0xFFFFFFFFu;
        break;
      case TFindSizeMode::Between:
        missing = !haveBegin || !haveEnd;
        data->SizeEnabled = true;
        data->SizeMin = KilobytesToBytes(begin);
        data->SizeMax = KilobytesToBytes(end);
        if (data->SizeMax < data->SizeMin) std::swap(data->SizeMin, data->SizeMax);
        break;
    }
    if (missing) result.Errors.push_back({FindErrorNoSize(), TFindPage::Size});
  }

  if (result.Errors.empty()) result.Data = std::move(data);
  return result;
}
