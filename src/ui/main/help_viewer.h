// A small viewer for the program's help file "tollhaven.hlp": a contents page and
// a keyword index with a search box beside the text of the chosen topic.
//
// The file is UTF-8 text.  A line "#TOPIC <id> <title>" starts a topic, an optional
// "#KEYWORDS a, b, c" line right after it lists its index words, and the lines up
// to the next "#TOPIC" are its body (simple HTML).  Lines starting with "##" are
// comments.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <vector>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

namespace ui {

struct HelpTopic {
  QString id;
  QString title;
  QStringList keywords;
  QString body;
};

// Parses help text; topics without an id or a title are skipped.
std::vector<HelpTopic> ParseHelpText(const QString& text);

// Index words that contain `text` (ignoring case), each with the topics it leads
// to, sorted by word.
struct HelpKeyword {
  QString word;
  std::vector<int> topics;
};
std::vector<HelpKeyword> FindHelpKeywords(const std::vector<HelpTopic>& topics,
                                          const QString& text);

class THelpViewer : public QDialog {
  Q_OBJECT
 public:
  explicit THelpViewer(QWidget* parent = nullptr);

  // Loads the help file; the copy built into the program stands in when the file
  // beside the executable is missing.  False when neither could be read.
  bool LoadFile(const QString& path);
  void ShowContents();
  void ShowTopic(int index);
  const std::vector<HelpTopic>& Topics() const { return topics_; }
  int CurrentTopic() const { return current_; }
  QLineEdit* SearchEdit() const { return search_; }
  QListWidget* KeywordList() const { return keywordList_; }

 private:
  void FillKeywords();

  std::vector<HelpTopic> topics_;
  std::vector<HelpKeyword> shownKeywords_;
  int current_ = -1;
  QTabWidget* tabs_;
  QTreeWidget* contents_;
  QLineEdit* search_;
  QListWidget* keywordList_;
  QTextBrowser* text_;
};

}  // namespace ui
