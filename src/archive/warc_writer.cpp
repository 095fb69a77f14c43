#include "archive/warc_writer.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "cache/cache_entry.h"
#include "cache/cache_source.h"
#include "cache/web_cache.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(s[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

// The stored header split into lines (CR LF, LF or CR), empty lines left out.
std::vector<std::string_view> HeaderLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    if (i > start) lines.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return lines;
}

// "HTTP/1.x NNN ..." with its code, or 0 when `line` is no status line.
int StatusLineCode(std::string_view line) {
  if (line.size() < 12 || !StartsWithNoCase(line, "HTTP/")) return 0;
  std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank + 4 > line.size()) return 0;
  int code = 0;
  for (std::size_t i = blank + 1; i < blank + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    code = code * 10 + (line[i] - '0');
  }
  if (blank + 4 < line.size() && line[blank + 4] != ' ') return 0;
  return code >= 100 ? code : 0;
}

// The name of a header line, or "" when the line has none.
std::string_view LineName(std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  std::string_view name = Trim(line.substr(0, colon));
  for (char c : name) {
    if (c <= ' ' || c >= 0x7F) return {};
  }
  return name;
}

std::string_view LineValue(std::string_view line) {
  return Trim(line.substr(line.find(':') + 1));
}

// Whether `body` still carries the outermost content coding that `value` names.
bool BodyHasCoding(std::string_view value, std::string_view body) {
  std::size_t comma = value.rfind(',');
  std::string coding = Lower(Trim(comma == std::string_view::npos ? value : value.substr(comma + 1)));
  auto byte = [&](std::size_t i) { return i < body.size() ? static_cast<unsigned char>(body[i]) : -1; };
  if (coding == "gzip" || coding == "x-gzip") return byte(0) == 0x1F && byte(1) == 0x8B;
  if (coding == "compress" || coding == "x-compress") return byte(0) == 0x1F && byte(1) == 0x9D;
  if (coding == "deflate") {
    int cmf = byte(0), flg = byte(1);
    return cmf >= 0 && flg >= 0 && (cmf & 0x0F) == 8 && (cmf * 256 + flg) % 31 == 0;
  }
  return false;  // identity, or a coding that no body of that time could carry
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

// The media type without parameters, lower case ("text/html").
std::string MimeOnly(std::string_view contentType) {
  std::size_t semi = contentType.find(';');
  return Lower(Trim(contentType.substr(0, semi)));
}

std::string Timestamp14(std::string_view warcDate) {
  std::string out;
  for (char c : warcDate) {
    if (c >= '0' && c <= '9') out += c;
  }
  return out.substr(0, 14);
}

class Sha1 {
 public:
  Sha1() : ctx_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(ctx_, EVP_sha1(), nullptr); }
  ~Sha1() { EVP_MD_CTX_free(ctx_); }
  Sha1(const Sha1&) = delete;
  Sha1& operator=(const Sha1&) = delete;
  void Update(std::string_view bytes) { EVP_DigestUpdate(ctx_, bytes.data(), bytes.size()); }
  std::string Digest() {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(ctx_, md, &size);
    return "sha1:" + Base32Encode(std::string_view(reinterpret_cast<const char*>(md), size));
  }

 private:
  EVP_MD_CTX* ctx_;
};

}  // namespace

std::string Base32Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string out;
  std::uint32_t buffer = 0;
  int bits = 0;
  for (char ch : bytes) {
    buffer = (buffer << 8) | static_cast<unsigned char>(ch);
    bits += 8;
    while (bits >= 5) {
      out += kAlphabet[(buffer >> (bits - 5)) & 31];
      bits -= 5;
    }
  }
  if (bits > 0) out += kAlphabet[(buffer << (5 - bits)) & 31];
  while (out.size() % 8 != 0) out += '=';
  return out;
}

std::string WarcSha1Digest(std::string_view bytes) {
  Sha1 sha;
  sha.Update(bytes);
  return sha.Digest();
}

std::string WarcTargetUri(std::string_view ansiUrl) {
  std::string out;
  out.reserve(ansiUrl.size());
  for (char ch : ansiUrl) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
        c == '`' || c == '{' || c == '|' || c == '}') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string WarcDate(platform::FILETIME utc) {
  std::time_t seconds = static_cast<std::time_t>(platform::FileTimeToUnixSeconds(utc));
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

std::string SurtKey(std::string_view uri) {
  std::string_view rest = uri;
  if (std::size_t hash = rest.find('#'); hash != std::string_view::npos) rest = rest.substr(0, hash);
  std::string scheme;
  if (std::size_t sep = rest.find("://"); sep != std::string_view::npos) {
    scheme = Lower(rest.substr(0, sep));
    rest.remove_prefix(sep + 3);
  } else {
    return Lower(rest);  // no host to reverse
  }
  std::size_t pathStart = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, pathStart);
  std::string_view path = pathStart == std::string_view::npos ? "/" : rest.substr(pathStart);
  if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string host = Lower(authority);
  std::string port;
  if (std::size_t colon = host.rfind(':'); colon != std::string::npos) {
    port = host.substr(colon);
    host.erase(colon);
    if ((port == ":80" && scheme == "http") || (port == ":443" && scheme == "https")) port.clear();
  }
  while (!host.empty() && host.back() == '.') host.pop_back();
  // "www.", "www2." and the like are not part of the site's name.
  if (host.size() > 4 && host.compare(0, 3, "www") == 0) {
    std::size_t dot = host.find('.');
    bool digits = dot != std::string::npos &&
                  std::all_of(host.begin() + 3, host.begin() + dot, [](char c) { return c >= '0' && c <= '9'; });
    if (digits && host.find('.', dot + 1) != std::string::npos) host.erase(0, dot + 1);
  }
  std::vector<std::string> labels;
  for (std::size_t s = 0; s <= host.size();) {
    std::size_t dot = host.find('.', s);
    if (dot == std::string::npos) dot = host.size();
    labels.push_back(host.substr(s, dot - s));
    s = dot + 1;
  }
  std::string key;
  for (auto it = labels.rbegin(); it != labels.rend(); ++it) key += (key.empty() ? "" : ",") + *it;
  key += port;
  key += ')';
  std::string p = Lower(path);
  if (p.empty() || p[0] != '/') p.insert(0, "/");
  if (std::size_t q = p.find('?'); q != std::string::npos) {
    std::string query = p.substr(q + 1);
    p.erase(q);
    std::vector<std::string> args;
    std::size_t s = 0;
    while (s <= query.size()) {
      std::size_t amp = query.find('&', s);
      if (amp == std::string::npos) amp = query.size();
      if (amp > s) args.push_back(query.substr(s, amp - s));
      s = amp + 1;
    }
    std::sort(args.begin(), args.end());
    std::string sorted;
    for (const std::string& a : args) sorted += (sorted.empty() ? "" : "&") + a;
    p += '?';
    p += sorted;
  }
  return key + p;
}

bool HasStoredHttpHeader(std::string_view storedHeader) {
  for (std::string_view line : HeaderLines(storedHeader)) {
    if (StatusLineCode(line) != 0) return true;
    std::string_view name = LineName(line);
    if (!name.empty() && Lower(name) != "content-type") return true;
  }
  return false;
}

std::string MakeHttpResponseHeader(std::string_view storedHeader, std::string_view body,
                                   int* status) {
  std::vector<std::string_view> lines = HeaderLines(storedHeader);
  std::string out;
  int code = 0;
  std::size_t first = 0;
  if (!lines.empty() && (code = StatusLineCode(lines[0])) != 0) {
    out.append(lines[0]);
    first = 1;
  } else {
    code = 200;
    out += "HTTP/1.0 200 OK";
  }
  out += "\r\n";
  for (std::size_t i = first; i < lines.size(); ++i) {
    std::string name = Lower(LineName(lines[i]));
    if (name.empty() || name == "content-length" || name == "transfer-encoding") continue;
    if (name == "content-encoding" && !BodyHasCoding(LineValue(lines[i]), body)) continue;
    out.append(lines[i]);
    out += "\r\n";
  }
  out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  if (status) *status = code;
  return out;
}

// ---- writer ----

struct TWarcWriter::Deflater {
  z_stream stream{};
  bool ready = false;
  std::vector<unsigned char> out = std::vector<unsigned char>(1 << 16);
  ~Deflater() {
    if (ready) deflateEnd(&stream);
  }
};

TWarcWriter::TWarcWriter() : deflater_(std::make_unique<Deflater>()) {}

TWarcWriter::~TWarcWriter() {
  if (file_) std::fclose(file_);
}

bool TWarcWriter::Open(const std::string& path) {
  if (file_) Close();
  file_ = std::fopen(platform::HostPath(path).c_str(), "wb");
  if (!file_) {
    platform::SetLastError(errno);
    return false;
  }
  failed_ = false;
  offset_ = 0;
  records_ = 0;
  cdx_.clear();
  warcinfoId_.clear();
  if (!deflater_->ready) {
    // windowBits 15 + 16: gzip members.
    if (deflateInit2(&deflater_->stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
      failed_ = true;
      return false;
    }
    deflater_->ready = true;
  }
  return true;
}

bool TWarcWriter::Close() {
  if (!file_) return !failed_;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

std::string TWarcWriter::NewRecordId() {
  unsigned char b[16];
  if (RAND_bytes(b, sizeof b) != 1) {
    // Never expected; fall back to a counter-based id that is still unique in the file.
    std::memset(b, 0, sizeof b);
    std::uint64_t n = records_ + 1, t = static_cast<std::uint64_t>(std::time(nullptr));
    std::memcpy(b, &n, sizeof n);
    std::memcpy(b + 8, &t, sizeof t);
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  std::string id = "<urn:uuid:";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += static_cast<char>(std::tolower(kHex[b[i] >> 4]));
    id += static_cast<char>(std::tolower(kHex[b[i] & 15]));
  }
  return id + ">";
}

bool TWarcWriter::WriteRecord(std::string_view warcHeader, std::string_view blockHead,
                              std::string_view payload) {
  if (!file_ || failed_) return false;
  z_stream& z = deflater_->stream;
  if (deflateReset(&z) != Z_OK) return !(failed_ = true);
  std::uint64_t memberBytes = 0;
  const std::string_view parts[] = {warcHeader, blockHead, payload, "\r\n\r\n"};
  for (std::size_t p = 0; p < 4; ++p) {
    std::string_view part = parts[p];
    const bool last = p == 3;
    // zlib counts in 32 bits; feed large bodies in slices.
    do {
      std::size_t slice = std::min<std::size_t>(part.size(), 1u << 30);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(part.data()));
      z.avail_in = static_cast<uInt>(slice);
      part.remove_prefix(slice);
      const int flush = (last && part.empty()) ? Z_FINISH : Z_NO_FLUSH;
      int rc;
      do {
        z.next_out = deflater_->out.data();
        z.avail_out = static_cast<uInt>(deflater_->out.size());
        rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR) return !(failed_ = true);
        std::size_t have = deflater_->out.size() - z.avail_out;
        if (have && std::fwrite(deflater_->out.data(), 1, have, file_) != have) {
          platform::SetLastError(errno);
          return !(failed_ = true);
        }
        memberBytes += have;
      } while (z.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    } while (!part.empty());
  }
  offset_ += memberBytes;
  ++records_;
  return true;
}

bool TWarcWriter::WriteWarcInfo(const std::vector<std::string>& fields) {
  std::string block;
  for (const std::string& f : fields) block += f + "\r\n";
  warcinfoId_ = NewRecordId();
  std::string head = "WARC/1.1\r\nWARC-Type: warcinfo\r\nWARC-Record-ID: " + warcinfoId_ +
                     "\r\nWARC-Date: " + WarcDate(platform::GetSystemTimeAsFileTime()) +
                     "\r\nWARC-Block-Digest: " + WarcSha1Digest(block) +
                     "\r\nContent-Type: application/warc-fields\r\nContent-Length: " +
                     std::to_string(block.size()) + "\r\n\r\n";
  return WriteRecord(head, block, {});
}

bool TWarcWriter::WriteCapture(const Capture& c, std::string_view blockHead,
                               std::string_view body) {
  const std::string uri = WarcTargetUri(c.AnsiUrl);
  const std::string when = WarcDate(c.Date);
  std::string head = "WARC/1.1\r\nWARC-Type: " + std::string(c.Type) +
                     "\r\nWARC-Record-ID: " + NewRecordId() + "\r\nWARC-Date: " + when +
                     "\r\nWARC-Target-URI: " + uri;
  if (!warcinfoId_.empty()) head += "\r\nWARC-Warcinfo-ID: " + warcinfoId_;
  head += "\r\nWARC-Block-Digest: " + c.BlockDigest + "\r\nWARC-Payload-Digest: " +
          c.PayloadDigest + "\r\nContent-Type: " + c.ContentType + "\r\nContent-Length: " +
          std::to_string(blockHead.size() + body.size()) + "\r\n\r\n";
  const std::uint64_t offset = offset_;
  if (!WriteRecord(head, blockHead, body)) return false;
  std::string json = "{\"url\": " + JsonString(uri) + ", \"mime\": " + JsonString(c.Mime);
  if (c.Status) json += ", \"status\": \"" + std::to_string(c.Status) + "\"";
  json += ", \"digest\": " + JsonString(c.PayloadDigest.substr(5)) + ", \"length\": \"" +
          std::to_string(offset_ - offset) + "\", \"offset\": \"" + std::to_string(offset) + "\"";
  cdx_.push_back({SurtKey(uri) + " " + Timestamp14(when), std::move(json)});
  return true;
}

bool TWarcWriter::WriteResponse(std::string_view ansiUrl, platform::FILETIME date,
                                std::string_view storedHeader, std::string_view body) {
  Capture c;
  c.Type = "response";
  c.AnsiUrl = ansiUrl;
  c.Date = date;
  c.ContentType = "application/http;msgtype=response";
  const std::string http = MakeHttpResponseHeader(storedHeader, body, &c.Status);
  Sha1 block;
  block.Update(http);
  block.Update(body);
  c.BlockDigest = block.Digest();
  c.PayloadDigest = WarcSha1Digest(body);
  c.Mime = MimeOnly(TWebCacheHeaderInfo(storedHeader).GetValue("Content-Type"));
  if (c.Mime.empty()) c.Mime = "unk";
  return WriteCapture(c, http, body);
}

bool TWarcWriter::WriteResource(std::string_view ansiUrl, platform::FILETIME date,
                                std::string_view contentType, std::string_view body) {
  std::string type(Trim(contentType));
  for (char& ch : type) {
    if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) >= 0x7F) ch = ' ';
  }
  if (type.empty()) type = "application/octet-stream";
  Capture c;
  c.Type = "resource";
  c.AnsiUrl = ansiUrl;
  c.Date = date;
  c.ContentType = type;
  c.BlockDigest = c.PayloadDigest = WarcSha1Digest(body);
  c.Mime = MimeOnly(type);
  return WriteCapture(c, {}, body);
}

std::string TWarcWriter::CdxjIndex(std::string_view fileName) const {
  std::vector<const CdxLine*> sorted;
  for (const CdxLine& line : cdx_) sorted.push_back(&line);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const CdxLine* a, const CdxLine* b) { return a->Key < b->Key; });
  const std::string file = ", \"filename\": " + JsonString(fileName) + "}\n";
  std::string out;
  for (const CdxLine* line : sorted) out += line->Key + " " + line->Json + file;
  return out;
}

// ---- the cache as a WARC ----

bool WriteCacheWarc(TWebCacheSource& source, const TWarcExportOptions& options,
                    TWarcWriter& writer, TWarcExportResult& result) {
  std::vector<std::string> fields = {"software: " + options.Software,
                                     "format: WARC File Format 1.1",
                                     "conformsTo: http://iipc.github.io/warc-specifications/"
                                     "specifications/warc-format/warc-1.1/"};
  if (!options.SourceDescription.empty()) fields.push_back("description: " + options.SourceDescription);
  if (!writer.WriteWarcInfo(fields)) return false;

  std::vector<std::string> prefixes;
  for (const std::string& p : options.Prefixes) prefixes.push_back(platform::AnsiLowerCase(p));

  TCacheSourceRecord rec;
  std::string body;  // reused: one allocation for the whole run
  std::unique_ptr<TCacheEnumeration> walk = source.FindFirst(rec);
  for (bool more = walk != nullptr; more; more = walk->FindNext(rec)) {
    // What TWebCache would not hand to the tree stays out of the archive too.
    if (rec.CacheEntryType & (COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY)) continue;
    if (!IsKnownUrlScheme(rec.SourceUrlName)) continue;
    if (!prefixes.empty()) {
      const std::string url = platform::AnsiLowerCase(rec.SourceUrlName);
      if (std::none_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& p) { return url.compare(0, p.size(), p) == 0; }))
        continue;
    }
    if (!platform::ReadWholeFile(rec.LocalFileName, body)) {
      if (result.Unreadable++ == 0) result.FirstError = rec.LocalFileName;
      continue;
    }
    platform::FILETIME date = rec.LastAccessTime ? rec.LastAccessTime : rec.LastModifiedTime;
    if (date == 0 && !platform::GetFileLastWriteTime(rec.LocalFileName, date)) date = 0;
    const bool http = StartsWithNoCase(rec.SourceUrlName, "http://") ||
                      StartsWithNoCase(rec.SourceUrlName, "https://");
    bool ok;
    if (http && HasStoredHttpHeader(rec.HeaderInfo)) {
      ok = writer.WriteResponse(rec.SourceUrlName, date, rec.HeaderInfo, body);
      ++result.Responses;
    } else {
      std::string type = TWebCacheHeaderInfo(rec.HeaderInfo).GetValue("Content-Type");
      ok = writer.WriteResource(rec.SourceUrlName, date, type, body);
      ++result.Resources;
    }
    if (!ok) return false;
    result.BodyBytes += body.size();
  }
  result.FileBytes = writer.BytesWritten();
  return true;
}
