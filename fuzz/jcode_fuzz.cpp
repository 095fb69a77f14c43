// Runs detection, every converter and the decoders over arbitrary bytes.  Besides
// memory safety it checks the few properties that hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/jcode.h"
#include "text/mime_coders.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const int code = InCodeCheck(text);
  Check(code >= JCODE_ASCII && code <= JCODE_EUC_OR_SJIS);
  for (int target : {JCODE_JIS, JCODE_EUC, JCODE_SJIS}) {
    const std::string out = ConvertJCode(text, target);
    if (code == JCODE_ASCII || code == JCODE_BINARY || code == JCODE_EUC_OR_SJIS) Check(out == text);
  }
  for (int source = JCODE_JIS; source <= JCODE_SJIS; ++source)
    for (int target : {JCODE_JIS, JCODE_EUC, JCODE_SJIS}) (void)StrictConvertJCode(text, source, target);

  (void)sjis2euc(text);
  (void)sjis2jis83(text);
  (void)euc2jis83(text);
  (void)jis2euc(text);
  Check(jis2sjis(text).size() <= text.size());
  Check(euc2sjis(text).size() <= text.size());

  const int rc = ReturnCodeCheck(text);
  Check(rc >= RETCODE_NONE && rc <= RETCODE_LF);
  for (int target : {RETCODE_CRLF, RETCODE_CR, RETCODE_LF}) (void)ConvertReturnCode(text, target);

  // Decoders take anything; encoders must round-trip.
  (void)DecodeBase64(text);
  (void)DecodeUU(text);
  (void)DecodeBinHex(text);
  (void)DecodeHeaderString(text);
  (void)CreateHeaderString(text);
  if (size <= 4096) {
    Check(DecodeBase64(EncodeBase64R(text, "\r\n")) == text);
    Check(DecodeUU(EncodeUU(text, "\n")) == text);
    Check(DecodeBinHex(EncodeBinHex(text, "\r\n")) == text);
  }
  return 0;
}
