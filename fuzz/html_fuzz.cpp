// Walks arbitrary bytes as an HTML page.  The walk must give the input back byte for
// byte; every attribute must stand in its tag's text, in order; and rewriting or
// removing one attribute must change exactly that attribute's place in the tag.
// Loading the page (head, charset, title conversion) must not crash either.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/html_parser.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Exposes the title conversion, which otherwise runs only for pages read from disk.
class TitleParser : public THTMLParser {
 public:
  void Convert() { ConvertTitle(); }
};

void CheckTag(THTMLTag& tag, unsigned choice) {
  const std::string original = tag.Text();
  const int count = tag.AttributeCount();
  if (count == 0) return;
  std::size_t from = 1;
  ReadWord(from, original);
  std::size_t chosenAt = 0;
  const int k = static_cast<int>(choice % static_cast<unsigned>(count));
  for (int i = 0; i < count; ++i) {
    const THTMLEllement& a = tag.Attributes(i);
    Check(a.Index() == i);
    const std::size_t at = original.find(a.Text(), from);
    Check(at != std::string::npos);
    if (i == k) chosenAt = at;
    from = at + a.Text().size();
  }
  THTMLEllement& a = tag.Attributes(k);
  const std::string oldText = a.Text();
  std::string expected = original;
  if (choice & 0x100) {
    tag.RemoveAttribute(k);
    expected.erase(chosenAt, oldText.size());
    Check(tag.AttributeCount() == count - 1);
  } else {
    a.SetValue(a.Value() + "/x");
    expected.replace(chosenAt, oldText.size(), a.Text());
  }
  Check(tag.Text() == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);

  TitleParser parser;
  parser.SetText(page);
  Check(parser.Text() == page);
  for (int i = 0; i < parser.HeadTagCount(); ++i) (void)parser.HeadTags(i).Text();

  THTMLTag tag;
  std::string written;
  written.reserve(size);
  std::size_t pos = 0;
  for (bool more = parser.ReadFirstToken(pos, tag); more;) {
    Check(!tag.Text().empty());
    written += tag.Text();
    const std::size_t before = pos;
    more = parser.ReadNextToken(pos, tag);
    Check(!more || pos > before);
  }
  Check(written == page);

  // A second walk with every tag rewritten once.
  THTMLTag work;
  unsigned choice = size;
  for (bool more = parser.ReadFirstToken(pos, work); more; more = parser.ReadNextToken(pos, work)) {
    choice = choice * 1103515245u + 12345u;
    CheckTag(work, choice >> 8);
  }

  (void)NormalizeValueSpaces(page);
  std::size_t wpos = 0;
  while (wpos < page.size()) {
    const std::size_t before = wpos;
    const std::string_view w = ReadWord(wpos, page);
    Check(wpos <= page.size());
    if (w.empty()) break;
    Check(wpos > before);
  }

  parser.Convert();
  (void)parser.Title();
  return 0;
}
