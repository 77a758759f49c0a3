// The desktop-file readers on the shapes real files take, and on the ones they should not.
#include "runtime/system/desktop_entry.h"

#include <gtest/gtest.h>

using namespace runtime;

namespace {

TEST(DesktopFileValue, ReadsOneKeyOfOneGroup) {
  const std::pair<std::string_view, std::optional<std::string>> cases[] = {
      // The value of key "k" in group "G".
      {"[G]\r\n# k=comment\n  k = v w \r\n", "v w"},
      {"[G]\nk[de]=localised\nk=a=b\nk=second", "a=b"},
      {"[G]\nk=", ""},
      {"[H]\nk=other\n[G]\nj=w\n[G]\nk=v", "v"},
      {"k=before any group\n[G]", std::nullopt},
      {"[G\nk=v", std::nullopt},
      {std::string_view("[G]\nk=a\0b", 9), std::nullopt},
      {"[G]\nk=\x1b[31m", std::nullopt},
  };
  for (const auto& [text, value] : cases)
    EXPECT_EQ(DesktopFileValue(text, "G", "k"), value) << text;
}

TEST(DesktopFileReaders, KeepPlainDesktopIdsAndTheEntrysOwnExec) {
  std::string_view list =
      "[Added Associations]\ntext/html=added.desktop\n[Default Applications]\n"
      "text/html=b.desktop; a.desktop;;../up.desktop;sub/d.desktop;.desktop;plain\n";
  EXPECT_EQ(DefaultApplications(list, "text/html"),
            (std::vector<std::string>{"b.desktop", "a.desktop"}));
  EXPECT_EQ(DesktopEntryExec("[Desktop Action new]\nExec=new\n[Desktop Entry]\nExec=web %u"),
            "web %u");
  EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nExec=\n"), std::nullopt);
  EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\nExec=web\nHidden=true"), std::nullopt);
}

}  // namespace
