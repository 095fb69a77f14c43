#include "ui/main/help_viewer.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

// The built-in copy of the help file lives in this library's resources.
static void InitHelpResources() { Q_INIT_RESOURCE(ui_main); }

namespace ui {

std::vector<HelpTopic> ParseHelpText(const QString& text) {
  std::vector<HelpTopic> topics;
  HelpTopic current;
  bool inTopic = false;
  bool keywordLineAllowed = false;
  auto flush = [&] {
    if (inTopic && !current.id.isEmpty() && !current.title.isEmpty()) {
      current.body = current.body.trimmed();
      topics.push_back(current);
    }
    current = HelpTopic();
  };
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (QString line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.startsWith(QLatin1String("##"))) continue;
    if (line.startsWith(QLatin1String("#TOPIC"))) {
      flush();
      inTopic = true;
      QString rest = line.mid(6).trimmed();
      const qsizetype space = rest.indexOf(QLatin1Char(' '));
      if (space > 0) {
        current.id = rest.left(space);
        current.title = rest.mid(space + 1).trimmed();
      }
      keywordLineAllowed = true;
      continue;
    }
    if (!inTopic) continue;
    if (keywordLineAllowed && line.startsWith(QLatin1String("#KEYWORDS"))) {
      for (const QString& k : line.mid(9).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString word = k.trimmed();
        if (!word.isEmpty()) current.keywords << word;
      }
      keywordLineAllowed = false;
      continue;
    }
    keywordLineAllowed = false;
    current.body += line + QLatin1Char('\n');
  }
  flush();
  return topics;
}

std::vector<HelpKeyword> FindHelpKeywords(const std::vector<HelpTopic>& topics,
                                          const QString& text) {
  std::map<QString, HelpKeyword> byWord;
  const QString sought = text.trimmed();
  for (std::size_t i = 0; i < topics.size(); ++i) {
    QStringList words = topics[i].keywords;
    words << topics[i].title;
    for (const QString& w : words) {
      if (!sought.isEmpty() && !w.contains(sought, Qt::CaseInsensitive)) continue;
      HelpKeyword& k = byWord[w.toLower()];
      if (k.word.isEmpty()) k.word = w;
      if (std::find(k.topics.begin(), k.topics.end(), static_cast<int>(i)) == k.topics.end())
        k.topics.push_back(static_cast<int>(i));
    }
  }
  std::vector<HelpKeyword> result;
  for (auto& [key, k] : byWord) result.push_back(std::move(k));
  return result;
}

THelpViewer::THelpViewer(QWidget* parent)
    : QDialog(parent),
      tabs_(new QTabWidget),
      contents_(new QTreeWidget),
      search_(new QLineEdit),
      keywordList_(new QListWidget),
      text_(new QTextBrowser) {
  InitHelpResources();
  setWindowTitle(QStringLiteral("Tollhaven ヘルプ"));
  resize(760, 480);
  contents_->setHeaderHidden(true);
  contents_->setRootIsDecorated(false);
  tabs_->addTab(contents_, QStringLiteral("目次"));

  auto* keyPage = new QWidget;
  auto* keyLayout = new QVBoxLayout(keyPage);
  keyLayout->addWidget(new QLabel(QStringLiteral("キーワードを入力してください:")));
  keyLayout->addWidget(search_);
  keyLayout->addWidget(keywordList_);
  tabs_->addTab(keyPage, QStringLiteral("キーワード"));

  text_->setOpenLinks(false);
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(tabs_);
  split->addWidget(text_);
  split->setStretchFactor(1, 1);
  split->setSizes({230, 530});
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(split);

  connect(contents_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) {
            if (item) ShowTopic(item->data(0, Qt::UserRole).toInt());
          });
  connect(search_, &QLineEdit::textChanged, this, [this] { FillKeywords(); });
  connect(keywordList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < static_cast<int>(shownKeywords_.size()))
      ShowTopic(shownKeywords_[static_cast<std::size_t>(row)].topics.front());
  });
  connect(search_, &QLineEdit::returnPressed, this, [this] {
    if (keywordList_->count() > 0) keywordList_->setCurrentRow(0);
  });
  // Links between topics are written as href="#id".
  connect(text_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    const QString id = url.fragment().isEmpty() ? url.toString() : url.fragment();
    for (std::size_t i = 0; i < topics_.size(); ++i)
      if (topics_[i].id == id) ShowTopic(static_cast<int>(i));
  });
}

bool THelpViewer::LoadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    file.setFileName(QStringLiteral(":/tollhaven/tollhaven.hlp"));
    if (!file.open(QIODevice::ReadOnly)) return false;
  }
  topics_ = ParseHelpText(QString::fromUtf8(file.readAll()));
  contents_->clear();
  for (std::size_t i = 0; i < topics_.size(); ++i) {
    auto* item = new QTreeWidgetItem(contents_, QStringList(topics_[i].title));
    item->setData(0, Qt::UserRole, static_cast<int>(i));
  }
  FillKeywords();
  return !topics_.empty();
}

void THelpViewer::FillKeywords() {
  shownKeywords_ = FindHelpKeywords(topics_, search_->text());
  keywordList_->clear();
  for (const HelpKeyword& k : shownKeywords_) keywordList_->addItem(k.word);
}

void THelpViewer::ShowContents() {
  tabs_->setCurrentIndex(0);
  if (!topics_.empty() && current_ < 0) ShowTopic(0);
}

void THelpViewer::ShowTopic(int index) {
  if (index < 0 || index >= static_cast<int>(topics_.size())) return;
  current_ = index;
  const HelpTopic& t = topics_[static_cast<std::size_t>(index)];
  text_->setHtml(QStringLiteral("<h2>") + t.title.toHtmlEscaped() + QStringLiteral("</h2>") +
                 t.body);
}

}  // namespace ui
