#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"

namespace {

struct Parsed {
  TStartupStatus status;
  std::string subject;
  std::size_t next = 0;
  TStartupOptions options;
  std::string select;
  bool flag = false;
};

// The window's rules (every argument an option) or the command line's (options end
// at the command, which must be "list").  No registry or prefix options are given, so
// nothing outside the settings folder is touched.
Parsed Parse(std::vector<std::string> args, bool commandLine) {
  Parsed p;
  const TStartupOption extra[] = {{.Name = "--select", .Value = &p.select},
                                  {.Name = "--flag", .Flag = &p.flag},
                                  {.Name = "-h", .Flag = &p.flag, .EndsOptions = true}};
  TStartupRules rules;
  rules.Extra = extra;
  rules.ArgumentEndsOptions = commandLine;
  rules.AcceptArgument = [](std::string_view a) { return a == "list"; };
  args.insert(args.begin(), "program");
  TStartupResult r = StartUp(args, rules, p.options);
  p.status = r.Status;
  p.subject = r.Subject;
  p.next = r.Next;
  return p;
}

TEST(StartUp, ParsesSharedAndOwnOptionsUnderBothRules) {
  using S = TStartupStatus;
  const struct {
    std::vector<std::string> args;
    bool commandLine;
    S status;
    std::string subject;
  } kCases[] = {
      {{}, false, S::Ok, ""},
      {{"--fat-db", "/a/FAT.DB", "--select=http://h/"}, false, S::Ok, ""},
      {{"--fat-db=/a/FAT.DB", "--flag", "list", "x"}, true, S::Ok, ""},
      {{"list"}, false, S::UnknownOption, "list"},
      {{"--bogus=1", "list"}, true, S::UnknownOption, "--bogus=1"},
      {{"--flag=1", "list"}, true, S::UnknownOption, "--flag=1"},
      {{"--fat-db"}, false, S::MissingValue, "--fat-db"},
      {{"--fat-db=", "list"}, true, S::MissingValue, "--fat-db"},
      {{"-h", "--bogus"}, true, S::Stopped, "-h"},
      {{"--flag"}, true, S::NoArgument, ""},
      {{"frobnicate"}, true, S::RejectedArgument, "frobnicate"},
      {{"--registry", "/nonexistent/x.reg", "list"}, true, S::UnreadableRegistry,
       "/nonexistent/x.reg"},
  };
  for (const auto& c : kCases) {
    const std::string shown = testing::PrintToString(c.args);
    Parsed p = Parse(c.args, c.commandLine);
    EXPECT_EQ(p.status, c.status) << shown;
    EXPECT_EQ(p.subject, c.subject) << shown;
  }
  Parsed window = Parse({"--fat-db", "/a/FAT.DB", "--select=http://h/"}, false);
  EXPECT_EQ(window.options.FatDb, "/a/FAT.DB");
  EXPECT_EQ(window.select, "http://h/");
  Parsed cli = Parse({"--fat-db=/a/FAT.DB", "--flag", "list", "x"}, true);
  EXPECT_EQ(cli.options.FatDb, "/a/FAT.DB");
  EXPECT_TRUE(cli.flag);
  EXPECT_EQ(cli.next, 3u) << "the index of the command";
  platform::Registry::Current().Clear();
}

}  // namespace
