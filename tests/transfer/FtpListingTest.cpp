#include <gtest/gtest.h>

#include "transfer/FtpListing.h"

namespace tavex {
namespace {

using Kind = FtpEntryKind;

std::vector<std::pair<std::string, Kind>> Flat(const std::vector<FtpListingEntry>& entries) {
  std::vector<std::pair<std::string, Kind>> flat;
  for (const FtpListingEntry& entry : entries) flat.emplace_back(entry.name, entry.kind);
  return flat;
}

TEST(FtpListing, UnixLinesKeepBlanksAndUtf8InNamesAndTellKindsApart) {
  const std::string text =
      "total 12\r\n"
      "-rw-r--r--   1 owner    group        1234 Mar 05 14:07 B01-240305140709.pkg\r\n"
      "drwxr-xr-x   2 owner    group        4096 Mar 05 14:07 archive\r\n"
      "-rw-r--r--   1 owner    group          10 Dec 31  2023 bill  two.pkg\r\n"
      "lrwxrwxrwx   1 owner    group           5 Mar 05 14:07 latest.pkg -> B01.pkg\r\n"
      "-rw-r--r-- 1 ftp 7 Jan 9 08:00 分店 一.pkg\r\n"
      "\r\n";
  EXPECT_EQ(Flat(ParseList(text)),
            (std::vector<std::pair<std::string, Kind>>{{"B01-240305140709.pkg", Kind::kFile},
                                                       {"archive", Kind::kFolder},
                                                       {"bill  two.pkg", Kind::kFile},
                                                       {"latest.pkg", Kind::kLink},
                                                       {"分店 一.pkg", Kind::kFile}}));
}

TEST(FtpListing, DosLinesGiveFoldersAndSizedFiles) {
  const std::string text =
      "03-05-24  02:07PM       <DIR>          ForDownload\r\n"
      "03-05-24  02:07PM                 1234 B01-240305140709.pkg\r\n"
      "12-31-2023  11:59AM                 0 name with blanks.pkg\n";
  EXPECT_EQ(Flat(ParseList(text)),
            (std::vector<std::pair<std::string, Kind>>{{"ForDownload", Kind::kFolder},
                                                       {"B01-240305140709.pkg", Kind::kFile},
                                                       {"name with blanks.pkg", Kind::kFile}}));
}

TEST(FtpListing, LinesOfNeitherFormAreSkipped) {
  EXPECT_TRUE(ParseList("total 0\r\ngarbage line\r\n-rw-r--r-- 1 a b\r\n").empty());
  EXPECT_TRUE(ParseList("").empty());
}

TEST(FtpListing, MlsdFactsDecideTheKindAndTheNameFollowsOneBlank) {
  const std::string text =
      "type=cdir;modify=20240305140709; .\r\n"
      "type=pdir;modify=20240305140709; ..\r\n"
      "type=file;size=1234;modify=20240305140709; B01-1.pkg\r\n"
      "Type=DIR;modify=20240305140709; archive\r\n"
      "type=OS.unix=symlink;size=5; latest.pkg\r\n"
      "size=3;type=file;perm=r; two  blanks;semi.pkg\r\n";
  EXPECT_EQ(Flat(ParseMlsd(text)),
            (std::vector<std::pair<std::string, Kind>>{{".", Kind::kOther},
                                                       {"..", Kind::kOther},
                                                       {"B01-1.pkg", Kind::kFile},
                                                       {"archive", Kind::kFolder},
                                                       {"latest.pkg", Kind::kLink},
                                                       {"two  blanks;semi.pkg", Kind::kFile}}));
}

TEST(FtpListing, OnlyNamesSafeAsLocalFileNamesAreUsable) {
  struct Case {
    const char* name;
    bool safe;
  };
  const Case cases[] = {
      {"B01-240305140709.pkg", true},
      {"name with blanks.pkg", true},
      {"分店.pkg", true},
      {"../x.pkg", false},
      {"..\\x.pkg", false},
      {"a..pkg", false},
      {"sub/x.pkg", false},
      {"sub\\x.pkg", false},
      {"tab\tname.pkg", false},
      {"del\x7Fname.pkg", false},
      {"", false},
      {".", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSafeRemoteName(c.name), c.safe) << c.name;
  // A name a local file system takes whole, with the endings the runs add.
  EXPECT_TRUE(IsSafeRemoteName(std::string(196, 'x') + ".pkg"));
  EXPECT_FALSE(IsSafeRemoteName(std::string(197, 'x') + ".pkg"));
}

}  // namespace
}  // namespace tavex
