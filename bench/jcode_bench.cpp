// ConvertJCode EUC-JP -> Shift_JIS against glibc iconv (EUC-JP -> CP932) on the same
// few megabytes of Japanese text, in one run; prints both rates and their ratio.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "text/jcode.h"

namespace {

std::string ToEuc(const std::string& utf8) {
  iconv_t cd = iconv_open("EUC-JP", "UTF-8");
  std::string out(utf8.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* o = out.data();
  std::size_t outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// About 4 MB of web-page-like Japanese: sentences put together from kanji words,
// hiragana, katakana loan words, ASCII, numbers and punctuation, with markup and CR LF.
const std::string& EucText() {
  static const std::string text = [] {
    const std::vector<std::string> words = {
        "東京", "大阪", "日本語", "文字コード", "変換", "キャッシュ", "ブラウザ", "ページ",
        "検索", "お気に入り", "保存", "表示", "設定", "ファイル", "フォルダ", "画像",
        "鬱蒼とした", "薔薇", "図書館", "新聞", "天気予報", "経済", "政治", "音楽",
        "ホームページ", "インターネット", "メール", "ダウンロード", "会社概要", "お問い合わせ"};
    const std::vector<std::string> glue = {"の", "を", "に", "は", "が", "と", "で", "から",
                                           "について", "します", "しました", "です", "ます"};
    const std::vector<std::string> ascii = {"Netscape", "HTML", "2001", "http://www.example.co.jp/",
                                            "Version 4.7", "PDF", "OK"};
    std::mt19937 gen(42);
    std::string utf8;
    while (utf8.size() < 6 * 1024 * 1024) {
      utf8 += "<p>";
      const int sentences = 2 + static_cast<int>(gen() % 4);
      for (int s = 0; s < sentences; ++s) {
        const int parts = 3 + static_cast<int>(gen() % 6);
        for (int p = 0; p < parts; ++p) {
          utf8 += words[gen() % words.size()];
          if (gen() % 7 == 0) utf8 += " " + ascii[gen() % ascii.size()] + " ";
          utf8 += glue[gen() % glue.size()];
          if (gen() % 5 == 0) utf8 += "、";
        }
        utf8 += "。";
      }
      utf8 += "</p>\r\n";
    }
    return ToEuc(utf8);
  }();
  return text;
}

void BM_ConvertJCode_EucToSjis(benchmark::State& state) {
  const std::string& euc = EucText();
  for (auto _ : state) {
    std::string sjis = ConvertJCode(euc, JCODE_SJIS);
    benchmark::DoNotOptimize(sjis.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(euc.size()));
}
BENCHMARK(BM_ConvertJCode_EucToSjis)->Unit(benchmark::kMillisecond);

void BM_Iconv_EucToCp932(benchmark::State& state) {
  const std::string& euc = EucText();
  iconv_t cd = iconv_open("CP932", "EUC-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv cannot convert EUC-JP to CP932");
    return;
  }
  for (auto _ : state) {
    // The output buffer is part of the work, as it is for ConvertJCode.
    std::string sjis(euc.size() + 16, '\0');  // CP932 is never longer than EUC-JP
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(euc.data());
    std::size_t inLeft = euc.size();
    char* o = sjis.data();
    std::size_t outLeft = sjis.size();
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
      state.SkipWithError("iconv failed on the sample text");
      break;
    }
    sjis.resize(sjis.size() - outLeft);
    benchmark::DoNotOptimize(sjis.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(euc.size()));
}
BENCHMARK(BM_Iconv_EucToCp932)->Unit(benchmark::kMillisecond);

// Console output plus the rates of both runs for the closing comparison.
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
    double ours = 0, theirs = 0;
    // Mean over repetitions (--benchmark_repetitions) of each benchmark.
    for (const auto& [name, rate] : rates_) {
      const double mean = rate.sum / rate.count;
      if (name.find("ConvertJCode") != std::string::npos) ours = mean;
      if (name.find("Iconv") != std::string::npos) theirs = mean;
    }
    std::printf("\nsample: %.2f MB of EUC-JP text\n", static_cast<double>(EucText().size()) / 1e6);
    if (ours > 0 && theirs > 0) {
      std::printf("ConvertJCode EUC-JP -> Shift_JIS: %8.1f MB/s\n", ours / 1e6);
      std::printf("iconv EUC-JP -> CP932:            %8.1f MB/s\n", theirs / 1e6);
      std::printf("ratio ConvertJCode / iconv:       %8.2f\n", ours / theirs);
    }
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
  // Detection must see this as EUC-JP, or the benchmark would time a copy.
  if (InCodeCheck(EucText()) != JCODE_EUC) {
    std::fprintf(stderr, "sample text is not detected as EUC-JP\n");
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio();
  benchmark::Shutdown();
  return 0;
}
