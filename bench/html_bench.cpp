// The token walk with full write-back (what the copy engine does to every page)
// against libgumbo parsing the same bytes, in one run; prints both rates and their
// ratio.  The sample is a few megabytes of generated pages, Japanese (Shift_JIS) and
// Western, with the long attribute-heavy markup of late-1990s sites.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "text/html_parser.h"

#ifdef TH_HAVE_GUMBO
#include <gumbo.h>
#endif

namespace {

std::string Utf8ToSjis(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* o = out.data();
  std::size_t outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

class SiteGen {
 public:
  SiteGen(std::uint32_t seed, bool japanese) : rng_(seed), japanese_(japanese) {}

  std::string Page() {
    std::string p;
    p += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<HTML>\r\n<HEAD>\r\n";
    p += japanese_ ? "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift_JIS\">\r\n"
                   : "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">\r\n";
    p += "<TITLE>" + Sentence(4) + "</TITLE>\r\n";
    p += "<SCRIPT LANGUAGE=\"JavaScript\">\r\n<!--\r\nfunction swap(n, s) { if (document.images) "
         "{ document.images[n].src = s; } }\r\nif (navigator.appName == \"Netscape\" && "
         "parseInt(navigator.appVersion) < 4) { location.href = \"old.html\"; }\r\n// -->\r\n"
         "</SCRIPT>\r\n</HEAD>\r\n";
    p += "<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#333333\" LINK=\"#0000CC\" VLINK=\"#663399\" "
         "BACKGROUND=\"/images/bg_" + Num(9) + ".gif\" LEFTMARGIN=0 TOPMARGIN=0 MARGINWIDTH=0 "
         "MARGINHEIGHT=0>\r\n";
    const int blocks = 20 + Int(40);
    for (int b = 0; b < blocks; ++b) Block(p);
    p += "<!-- footer -->\r\n<HR SIZE=1 NOSHADE>\r\n<FONT SIZE=1 FACE=\"Verdana,Arial\">Copyright "
         "&copy; 1999 " + Word() + "</FONT>\r\n</BODY>\r\n</HTML>\r\n";
    return japanese_ ? Utf8ToSjis(p) : p;
  }

 private:
  int Int(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  std::string Num(int n) { return std::to_string(Int(n)); }

  std::string Word() {
    static const std::vector<std::string> ja = {
        "東京", "大阪", "日本語", "キャッシュ", "ブラウザ", "ページ", "検索", "お気に入り",
        "保存", "表示", "設定", "ファイル", "画像", "新聞", "天気予報", "音楽", "ホームページ",
        "インターネット", "メール", "ダウンロード", "会社概要", "お問い合わせ", "の", "を",
        "について", "します", "です"};
    static const std::vector<std::string> en = {
        "the", "cache", "browser", "page", "search", "bookmarks", "download", "news",
        "weather", "music", "company", "contact", "products", "support", "and", "of",
        "Netscape", "Communicator", "online", "service", "information", "latest"};
    const auto& w = japanese_ ? ja : en;
    return w[static_cast<std::size_t>(Int(static_cast<int>(w.size())))];
  }

  std::string Sentence(int words) {
    std::string s;
    for (int i = 0; i < words; ++i) {
      if (i && !japanese_) s += ' ';
      s += Word();
    }
    return s;
  }

  std::string Path() {
    static const char* dirs[] = {"products", "news", "support", "company", "cgi-bin", "images"};
    return std::string("/") + dirs[Int(6)] + "/" + dirs[Int(6)] + "/item" + Num(500) + ".html";
  }

  void Block(std::string& p) {
    switch (Int(5)) {
      case 0:  // a layout table
        p += "<TABLE WIDTH=\"100%\" BORDER=\"0\" CELLSPACING=\"0\" CELLPADDING=\"4\" "
             "BGCOLOR=\"#EEEEEE\">\r\n";
        for (int r = 0; r < 3 + Int(5); ++r) {
          p += "<TR>";
          for (int c = 0; c < 3; ++c) {
            p += "<TD ALIGN=\"left\" VALIGN=\"top\" WIDTH=\"33%\" BGCOLOR=\"#FFFFFF\" "
                 "NOWRAP><FONT FACE=\"MS UI Gothic,Osaka\" SIZE=\"2\" COLOR=\"#333333\">";
            p += "<A HREF=\"" + Path() + "\" TARGET=\"_top\" onMouseOver=\"swap('b" + Num(20) +
                 "','/images/on.gif'); return true\" onMouseOut=\"swap('b" + Num(20) +
                 "','/images/off.gif')\">" + Sentence(3) + "</A></FONT></TD>";
          }
          p += "</TR>\r\n";
        }
        p += "</TABLE>\r\n";
        break;
      case 1:  // images
        for (int i = 0; i < 4; ++i)
          p += "<IMG SRC=\"/images/photo" + Num(300) + ".jpg\" LOWSRC=\"/images/photo_s.gif\" "
               "WIDTH=" + Num(400) + " HEIGHT=" + Num(300) + " BORDER=0 HSPACE=4 VSPACE=2 "
               "ALIGN=\"left\" ALT=\"" + Sentence(2) + "\" NAME=\"b" + Num(20) + "\">";
        p += "<BR CLEAR=\"all\">\r\n";
        break;
      case 2:  // running text
        p += "<P>";
        for (int i = 0; i < 6; ++i) p += Sentence(8) + (japanese_ ? "。" : ". ");
        p += "<A HREF=" + Path() + ">" + Sentence(2) + "</A></P>\r\n";
        break;
      case 3:  // a form
        p += "<FORM ACTION=\"/cgi-bin/search.cgi\" METHOD=\"POST\" NAME=\"f" + Num(9) +
             "\">\r\n<INPUT TYPE=\"text\" NAME=\"q\" SIZE=\"20\" MAXLENGTH=\"80\" VALUE=\"\">"
             "<SELECT NAME=\"c\"><OPTION VALUE=\"all\" SELECTED>" + Word() +
             "<OPTION VALUE=\"news\">" + Word() + "</SELECT><INPUT TYPE=\"image\" "
             "SRC=\"/images/go.gif\" WIDTH=\"30\" HEIGHT=\"20\" BORDER=\"0\" ALT=\"go\">\r\n"
             "</FORM>\r\n";
        break;
      default:  // a list of links with a comment
        p += "<!-- menu " + Num(99) + " -->\r\n<UL TYPE=\"square\">\r\n";
        for (int i = 0; i < 6; ++i)
          p += "<LI><A HREF=\"http://www.example.co.jp" + Path() + "?id=" + Num(100000) +
               "&amp;lang=ja\" TARGET=\"_blank\">" + Sentence(3) + "</A>\r\n";
        p += "</UL>\r\n";
    }
  }

  std::mt19937 rng_;
  bool japanese_;
};

// About 4 MB in all, half Japanese, half Western.
const std::vector<std::string>& Pages() {
  static const std::vector<std::string> pages = [] {
    std::vector<std::string> out;
    SiteGen ja(1, true), en(2, false);
    std::size_t total = 0;
    for (int i = 0; total < 4 * 1000 * 1000; ++i) {
      out.push_back(i % 2 ? en.Page() : ja.Page());
      total += out.back().size();
    }
    return out;
  }();
  return pages;
}

std::size_t TotalBytes() {
  std::size_t n = 0;
  for (const auto& p : Pages()) n += p.size();
  return n;
}

void BM_HtmlWalkWriteBack(benchmark::State& state) {
  std::vector<std::unique_ptr<THTMLParser>> parsers;
  for (const auto& p : Pages()) {
    parsers.push_back(std::make_unique<THTMLParser>());
    parsers.back()->SetText(p);
  }
  THTMLTag tag;
  std::string out;
  for (auto _ : state) {
    for (const auto& parser : parsers) {
      out.clear();
      std::size_t pos = 0;
      for (bool more = parser->ReadFirstToken(pos, tag); more; more = parser->ReadNextToken(pos, tag))
        out += tag.Text();
      benchmark::DoNotOptimize(out.data());
      if (out.size() != parser->Text().size()) state.SkipWithError("write-back lost bytes");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(TotalBytes()));
}
BENCHMARK(BM_HtmlWalkWriteBack)->Unit(benchmark::kMillisecond);

// Charset and title of every page, as the list pane asks for them.
void BM_HtmlLoadTitle(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& p : Pages()) {
      THTMLParser parser;
      parser.SetText(p);
      benchmark::DoNotOptimize(parser.Title().data());
    }
  }
  // Only the head is parsed, so pages per second is the figure that means something.
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Pages().size()));
}
BENCHMARK(BM_HtmlLoadTitle)->Unit(benchmark::kMillisecond);

#ifdef TH_HAVE_GUMBO
void BM_GumboParse(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& p : Pages()) {
      GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, p.data(), p.size());
      benchmark::DoNotOptimize(output);
      gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(TotalBytes()));
}
BENCHMARK(BM_GumboParse)->Unit(benchmark::kMillisecond);
#endif

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      Rate& r = rates_[run.run_name.function_name];
      r.sum += it->second.value;
      ++r.count;
    }
  }
  void PrintRatio() const {
    double walk = 0, gumbo = 0;
    for (const auto& [name, rate] : rates_) {
      const double mean = rate.sum / rate.count;
      if (name.find("WalkWriteBack") != std::string::npos) walk = mean;
      if (name.find("Gumbo") != std::string::npos) gumbo = mean;
    }
    std::printf("\nsample: %.2f MB in %zu pages (Shift_JIS and Western)\n",
                static_cast<double>(TotalBytes()) / 1e6, Pages().size());
    if (walk > 0) std::printf("token walk with write-back: %8.1f MB/s\n", walk / 1e6);
    if (gumbo > 0) std::printf("gumbo parse:                %8.1f MB/s\n", gumbo / 1e6);
    if (walk > 0 && gumbo > 0) std::printf("ratio walk / gumbo:         %8.2f\n", walk / gumbo);
  }

 private:
  struct Rate {
    double sum = 0;
    int count = 0;
  };
  std::map<std::string, Rate> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio();
  benchmark::Shutdown();
  return 0;
}
