// WARC output read back with zlib, member by member: every record's digests recomputed,
// every body compared byte for byte with the cache's body file, the CDXJ index checked
// against the members it points at.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <map>
#include <set>
#include <sstream>

#include "archive/warc_writer.h"
#include "cache/netscape_cache.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "support/netscape_fixture.h"

using thtest::NetscapeCacheSpec;
using thtest::NetscapeEntry;
using thtest::NetscapeFixture;

namespace {

std::string Slurp(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(platform::ReadWholeFile(path, bytes)) << path;
  return bytes;
}

std::string Gzip(const std::string& text) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(text.size() + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Our own base32 SHA-1, written apart from the writer's so that both must agree.
std::string Sha1Base32(std::string_view bytes) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(bytes.data(), bytes.size(), md, &n, EVP_sha1(), nullptr);
  const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string out;
  for (unsigned bit = 0; bit < n * 8; bit += 5) {
    unsigned v = 0;
    for (unsigned b = bit; b < bit + 5; ++b) {
      unsigned byte = b / 8 < n ? md[b / 8] : 0;
      v = (v << 1) | ((byte >> (7 - b % 8)) & 1);
    }
    out += a[v];
  }
  return "sha1:" + out;
}

struct Record {
  std::uint64_t offset = 0, length = 0;  // of the gzip member
  std::map<std::string, std::string> fields;
  std::string block;
};

// Splits the file into gzip members and each member into one WARC record.
std::vector<Record> ReadWarc(const std::string& bytes, std::string& error) {
  std::vector<Record> out;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    z_stream z{};
    inflateInit2(&z, 31);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + pos));
    z.avail_in = static_cast<uInt>(bytes.size() - pos);
    std::string text;
    char buf[65536];
    int rc;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buf);
      z.avail_out = sizeof buf;
      rc = inflate(&z, Z_NO_FLUSH);
      text.append(buf, sizeof buf - z.avail_out);
    } while (rc == Z_OK);
    Record r;
    r.offset = pos;
    r.length = z.total_in;
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
      error = "bad gzip member at " + std::to_string(pos);
      return out;
    }
    pos += r.length;
    std::size_t headEnd = text.find("\r\n\r\n");
    if (text.rfind("WARC/1.1\r\n", 0) != 0 || headEnd == std::string::npos) {
      error = "no WARC header at " + std::to_string(r.offset);
      return out;
    }
    std::istringstream lines(text.substr(10, headEnd - 10));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::size_t colon = line.find(": ");
      r.fields[line.substr(0, colon)] = line.substr(colon + 2);
    }
    std::size_t length = std::stoull(r.fields["Content-Length"]);
    // One record per member, ended by the two line breaks.
    if (headEnd + 4 + length + 4 != text.size() || text.compare(text.size() - 4, 4, "\r\n\r\n")) {
      error = "record length does not fill its member at " + std::to_string(r.offset);
      return out;
    }
    r.block = text.substr(headEnd + 4, length);
    out.push_back(std::move(r));
  }
  return out;
}

// The HTTP header of a response block and its body.
void SplitHttp(const std::string& block, std::string& head, std::string& body) {
  std::size_t end = block.find("\r\n\r\n");
  head = block.substr(0, end + 4);
  body = block.substr(end + 4);
}

struct Expected {
  std::string body;
  std::string type;  // "response" / "resource"
  std::string date;  // "" = not checked
};

// Reads the WARC written from `fx` back and checks it against `expected` (by URI).
void CheckWarc(const std::string& warcPath, const std::string& cdxj,
               const std::map<std::string, Expected>& expected) {
  std::string error;
  std::string bytes = Slurp(warcPath);
  std::vector<Record> records = ReadWarc(bytes, error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(records.size(), expected.size() + 1);
  EXPECT_EQ(records[0].fields["WARC-Type"], "warcinfo");
  const std::string infoId = records[0].fields["WARC-Record-ID"];
  std::set<std::string> ids = {infoId}, seen;
  std::map<std::uint64_t, const Record*> byOffset;
  for (std::size_t i = 1; i < records.size(); ++i) {
    Record& r = records[i];
    const std::string uri = r.fields["WARC-Target-URI"];
    SCOPED_TRACE(uri);
    byOffset[r.offset] = &r;
    auto want = expected.find(uri);
    ASSERT_NE(want, expected.end());
    EXPECT_TRUE(seen.insert(uri).second) << "twice";
    EXPECT_TRUE(ids.insert(r.fields["WARC-Record-ID"]).second);
    EXPECT_EQ(r.fields["WARC-Warcinfo-ID"], infoId);
    EXPECT_EQ(r.fields["WARC-Type"], want->second.type);
    if (!want->second.date.empty()) {
      EXPECT_EQ(r.fields["WARC-Date"], want->second.date);
    }
    EXPECT_EQ(r.fields["WARC-Block-Digest"], Sha1Base32(r.block));
    std::string body = r.block;
    if (want->second.type == "response") {
      std::string head;
      SplitHttp(r.block, head, body);
      EXPECT_EQ(r.fields["Content-Type"], "application/http;msgtype=response");
      EXPECT_NE(head.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"),
                std::string::npos) << head;
    }
    EXPECT_EQ(r.fields["WARC-Payload-Digest"], Sha1Base32(body));
    EXPECT_TRUE(body == want->second.body) << "body differs";
  }
  // Every index line points at the member of its record.
  std::istringstream lines(cdxj);
  std::size_t count = 0;
  std::string previous;
  for (std::string line; std::getline(lines, line); ++count) {
    EXPECT_LE(previous, line);
    previous = line;
    auto value = [&](const std::string& key) {
      std::size_t at = line.find("\"" + key + "\": \"");
      if (at == std::string::npos) return std::string();
      at += key.size() + 5;
      return line.substr(at, line.find('"', at) - at);
    };
    auto member = byOffset.find(std::stoull(value("offset")));
    ASSERT_NE(member, byOffset.end()) << line;
    const Record& r = *member->second;
    EXPECT_EQ(std::to_string(r.length), value("length"));
    EXPECT_EQ(r.fields.at("WARC-Target-URI"), value("url"));
    EXPECT_EQ("sha1:" + value("digest"), r.fields.at("WARC-Payload-Digest"));
    // The status of the block's own status line; resources have none.
    EXPECT_EQ(value("status"), r.fields.at("WARC-Type") == "response" ? r.block.substr(9, 3) : "")
        << line;
  }
  EXPECT_EQ(count, expected.size());
}

std::string ExportToWarc(const NetscapeFixture& fx, const std::vector<std::string>& prefixes,
                         std::string& cdxj, TWarcExportResult& result) {
  const std::string path = fx.workDir() + "/out.warc.gz";
  TNetscapeCacheSource source(fx.fatDb());
  TWarcWriter writer;
  EXPECT_TRUE(writer.Open(path));
  TWarcExportOptions options;
  options.Prefixes = prefixes;
  options.Software = "test";
  EXPECT_TRUE(WriteCacheWarc(source, options, writer, result));
  EXPECT_TRUE(writer.Close());
  cdxj = writer.CdxjIndex("out.warc.gz");
  return path;
}

NetscapeEntry Entry(std::string url, std::string type, std::string body,
                    std::string headerA = "", std::string headerB = "") {
  NetscapeEntry e;
  e.url = std::move(url);
  e.contentType = std::move(type);
  e.body = std::move(body);
  e.headerA = std::move(headerA);
  e.headerB = std::move(headerB);
  e.lastModified = 920000000;
  e.lastAccessed = 920550600;  // 1999-03-04T12:30:00Z
  return e;
}

TEST(WarcExport, MessyCacheReadsBackRecordByRecord) {
  NetscapeCacheSpec spec;
  const std::string gz = Gzip("<html>packed</html>");
  spec.entries = {
      Entry("http://www.Example.co.jp/", "text/html",
            "<html><a href='#top'>it's</a><a href=\"list.cgi?page=2\">2</a></html>",
            "Server: Apache/1.3.4 (Unix)", "Transfer-Encoding: chunked"),
      // A Shift_JIS path kept as its bytes.
      Entry("http://www.example.co.jp/\x93\xfa\x96\x7b/index.html", "text/html",
            "<html>\x93\xfa\x96\x7b</html>", "Content-Length: 99999"),
      Entry("http://www.example.co.jp/packed.html", "text/html", gz, "Content-Encoding: gzip"),
      Entry("http://www.example.co.jp/stale.html", "text/html", "<html>plain</html>",
            "Content-Encoding: gzip"),
      Entry("http://www.example.co.jp/gone.html", "text/html", "<html>404</html>",
            "HTTP/1.1 404 Not Found"),
      Entry("http://www.example.co.jp/empty.txt", "text/plain", ""),
      Entry("http://img.example.com/logo.gif", "image/gif", std::string("GIF89a\0\x01\xff", 9)),
      Entry("ftp://ftp.example.co.jp/pub/README", "", "read me\r\n"),
      Entry("about:blank", "text/html", "<html></html>"),  // never delivered
  };
  spec.entries[0].charset = "Shift_JIS";
  spec.entries[4].lastAccessed = 0;  // falls back to the modification date
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();

  std::string cdxj;
  TWarcExportResult result;
  std::string path = ExportToWarc(fx, {}, cdxj, result);
  EXPECT_EQ(result.Responses, 5u);
  EXPECT_EQ(result.Resources, 3u);
  const std::string visit = "1999-03-04T12:30:00Z";
  std::map<std::string, Expected> expected = {
      {"http://www.Example.co.jp/", {spec.entries[0].body, "response", visit}},
      {"http://www.example.co.jp/%93%FA%96%7B/index.html", {spec.entries[1].body, "response", visit}},
      {"http://www.example.co.jp/packed.html", {gz, "response", visit}},
      {"http://www.example.co.jp/stale.html", {spec.entries[3].body, "response", visit}},
      {"http://www.example.co.jp/gone.html", {spec.entries[4].body, "response", "1999-02-26T03:33:20Z"}},
      {"http://www.example.co.jp/empty.txt", {"", "resource", visit}},
      {"http://img.example.com/logo.gif", {spec.entries[6].body, "resource", visit}},
      {"ftp://ftp.example.co.jp/pub/README", {spec.entries[7].body, "resource", visit}},
  };
  CheckWarc(path, cdxj, expected);

  // Prefixes pick objects ignoring case; the rest stays out.
  std::string cdxj2;
  TWarcExportResult some;
  std::string path2 = ExportToWarc(fx, {"HTTP://IMG.example.com/", "ftp://"}, cdxj2, some);
  CheckWarc(path2, cdxj2,
            {{"http://img.example.com/logo.gif", expected["http://img.example.com/logo.gif"]},
             {"ftp://ftp.example.co.jp/pub/README", expected["ftp://ftp.example.co.jp/pub/README"]}});
}

TEST(WarcExport, GeneratedCacheReadsBackRecordByRecord) {
  thtest::NetscapeGenerateOptions gen;
  gen.count = 800;
  gen.seed = 11;
  gen.bodySize = 300;
  gen.faultPercent = 5;
  NetscapeFixture fx(gen);
  ASSERT_TRUE(fx.ok()) << fx.error();
  std::map<std::string, Expected> expected;
  for (const auto& row : fx.Manifest()) {
    if (row.state != "ok") continue;
    expected[WarcTargetUri(row.url)] = {Slurp(fx.BodyPath(row.fileName)), "", ""};
  }
  ASSERT_GT(expected.size(), 700u);
  std::string cdxj;
  TWarcExportResult result;
  std::string path = ExportToWarc(fx, {}, cdxj, result);
  // Which records carry a stored header is the reader's business; take the writer's
  // choice from the file and check it against the rule.
  std::string error;
  for (const Record& r : ReadWarc(Slurp(path), error)) {
    auto it = r.fields.find("WARC-Target-URI");
    if (it != r.fields.end() && expected.count(it->second))
      expected[it->second].type = r.fields.at("WARC-Type");
  }
  std::size_t responses = 0;
  for (const auto& [uri, e] : expected) responses += e.type == "response";
  EXPECT_EQ(responses, result.Responses);
  EXPECT_GT(result.Responses, 100u);  // the generator gives a third a Server line
  CheckWarc(path, cdxj, expected);
}

TEST(WarcExport, HttpHeaderIsMadeTrue) {
  const std::string gz = Gzip("x");
  struct Case {
    std::string stored, body, want;
    int status;
  } cases[] = {
      {"Content-Type: text/html\r\n", "abc",
       "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n", 200},
      {"HTTP/1.1 301 Moved\r\nLocation: /x\r\n", "",
       "HTTP/1.1 301 Moved\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n", 301},
      {"content-length: 10\r\nTRANSFER-ENCODING: chunked\r\nServer: a\r\n", "ab",
       "HTTP/1.0 200 OK\r\nServer: a\r\nContent-Length: 2\r\n\r\n", 200},
      {"Content-Encoding: gzip\r\n", gz,
       "HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(gz.size()) +
           "\r\n\r\n", 200},
      {"Content-Encoding: x-gzip\nno colon here\n: empty name\n", "plain",
       "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n", 200},
      {"HTTP/1.0 20x bad\r\nX-A: 1\r\n", "",
       "HTTP/1.0 200 OK\r\nX-A: 1\r\nContent-Length: 0\r\n\r\n", 200},
  };
  for (const Case& c : cases) {
    int status = 0;
    EXPECT_EQ(MakeHttpResponseHeader(c.stored, c.body, &status), c.want) << c.stored;
    EXPECT_EQ(status, c.status) << c.stored;
  }
  EXPECT_FALSE(HasStoredHttpHeader("Content-Type: text/html; charset=Shift_JIS\r\n"));
  EXPECT_TRUE(HasStoredHttpHeader("Content-Type: text/html\r\nServer: x\r\n"));
}

TEST(WarcExport, NamesAndKeys) {
  struct Case {
    std::string in, want;
  } base32[] = {{"", ""}, {"f", "MY======"}, {"fo", "MZXQ===="}, {"foobar", "MZXW6YTBOI======"}},
    surt[] = {
        {"http://www.Example.co.jp/A/b.html?z=1&a=2#frag", "jp,co,example)/a/b.html?a=2&z=1"},
        {"https://www2.example.com:443/", "com,example)/"},
        {"http://example.com:8080", "com,example:8080)/"},
        {"http://www.com/", "com,www)/"},
    },
    uri[] = {{"http://h/\x93\xfa \"x\"", "http://h/%93%FA%20%22x%22"}, {"http://h/a%20b?c", "http://h/a%20b?c"}};
  for (const Case& c : base32) EXPECT_EQ(Base32Encode(c.in), c.want);
  for (const Case& c : surt) EXPECT_EQ(SurtKey(c.in), c.want);
  for (const Case& c : uri) EXPECT_EQ(WarcTargetUri(c.in), c.want);
  EXPECT_EQ(WarcSha1Digest("abc"), "sha1:VGMT4NSHA2AWVOR6EVYXQUGCNSONBWE5");
  EXPECT_EQ(WarcDate(platform::UnixSecondsToFileTime(920550600)), "1999-03-04T12:30:00Z");
}

}  // namespace
