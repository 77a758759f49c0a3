// The desktop-file readers on the shapes real files take, and on the ones they should not.
#include "runtime/system/desktop_entry.h"

#include <gtest/gtest.h>

using namespace runtime;

namespace {

TEST(DesktopFileValue, ReadsOneKeyOfOneGroup) {
  struct Case {
    std::string_view text;
    std::optional<std::string> value;  // of key "k" in group "G"
  };
  const Case cases[] = {
      {"[G]\nk=v", "v"},
      {"[G]\r\n  k = v w \r\n", "v w"},
      {"[G]\n# k=comment\n\nk=v", "v"},
      {"[G]\nk[de]=localised\nk=v", "v"},
      {"[G]\nk=a=b", "a=b"},
      {"[G]\nk=first\nk=second", "first"},
      {"[G]\nk=", ""},
      {"[H]\nk=other\n[G]\nj=w", std::nullopt},
      {"[G]\nj=w\n[H]\nk=other\n[G]\nk=v", "v"},
      {"k=before any group\n[G]", std::nullopt},
      {"[G\nk=v", std::nullopt},
      {"[G]\nk v", std::nullopt},
      {std::string_view("[G]\nk=a\0b", 9), std::nullopt},
      {"[G]\nk=\x1b[31m", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(DesktopFileValue(c.text, "G", "k"), c.value) << c.text;
}

TEST(DefaultApplications, KeepsOnlyPlainDesktopIdsInOrder) {
  std::string_view list =
      "[Added Associations]\ntext/html=added.desktop\n"
      "[Default Applications]\n"
      "text/html=b.desktop; a.desktop;;../up.desktop;sub/d.desktop;.desktop;plain;a.desktop\n";
  EXPECT_EQ(DefaultApplications(list, "text/html"),
            (std::vector<std::string>{"b.desktop", "a.desktop", "a.desktop"}));
  EXPECT_TRUE(DefaultApplications(list, "text/plain").empty());
}

TEST(DesktopEntryExec, ReadsTheEntryGroupUnlessTheEntryIsHidden) {
  struct Case {
    std::string_view entry;
    std::optional<std::string> exec;
  };
  const Case cases[] = {
      {"[Desktop Entry]\nName=Web\nExec=web --new %u\n", "web --new %u"},
      {"[Desktop Entry]\nExec=web %u\n[Desktop Action new]\nExec=web --new\n", "web %u"},
      {"[Desktop Action new]\nExec=web --new\n", std::nullopt},
      {"[Desktop Entry]\nExec=web\nHidden=true\n", std::nullopt},
      {"[Desktop Entry]\nExec=web\nHidden=false\n", "web"},
      {"[Desktop Entry]\nExec=\n", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(DesktopEntryExec(c.entry), c.exec) << c.entry;
}

}  // namespace
