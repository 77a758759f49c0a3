// Opening a web address: the command made from a browser entry, the search for the default
// browser through the XDG folders, and the fallback from the desktop to that browser.
#include "runtime/system/web_opener.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

using namespace runtime;
namespace fs = std::filesystem;

namespace {

TEST(BrowserCommand, CutsTheExecCommandWhereItsPlaceholderBegins) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"firefox %u", "firefox A"},
      {"/usr/bin/chromium \"%U\"", "/usr/bin/chromium A"},
      {"epiphany", "epiphany A"},
      {"browser --new-window %F --x", "browser --new-window A"},
      {"x \"%u\"", "x A"},
      {"x\t %f", "x A"},
      {"web --icon %i --zoom=100%% %u", "web --icon %i --zoom=100%% A"},
  };
  for (const auto& [exec, command] : cases) EXPECT_EQ(BrowserCommand(exec, "A"), command) << exec;
}

// Each case's XDG folders: the user's under home/, the system's under system/, and none of the
// machine's own.
class WebOpenerTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset({}); }
  void TearDown() override {
    fs::remove_all(root_);
    SetDesktopOpener({});
    SetCommandStarter({});
  }
  void Reset(const std::map<std::string, std::string>& files) {
    fs::remove_all(root_);
    fs::create_directories(root_);
    ::setenv("XDG_CONFIG_HOME", (root_ / "home/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root_ / "home/data").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (root_ / "system/config").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (root_ / "system/data").c_str(), 1);
    ::unsetenv("XDG_CURRENT_DESKTOP");
    for (const auto& [path, text] : files) {
      fs::create_directories((root_ / path).parent_path());
      std::ofstream(root_ / path) << text;
    }
  }

  fs::path root_ = fs::temp_directory_path() / ("xq-web-" + std::to_string(::getpid()));
};

std::string Defaults(const std::string& type, const std::string& ids) {
  return "[Default Applications]\n" + type + "=" + ids + "\n";
}
std::string Entry(const std::string& lines) {
  return "[Desktop Entry]\n" + lines + "\n";
}
const std::string kHttps = "x-scheme-handler/https";
const std::string kUserList = "home/config/mimeapps.list";
const std::string kUserApps = "home/data/applications/";

TEST_F(WebOpenerTest, DefaultBrowserExecFollowsTheFreedesktopOrder) {
  const std::tuple<const char*, std::map<std::string, std::string>, std::optional<std::string>>
      cases[] = {
          {"an entry not installed is passed over",
           {{kUserList, Defaults(kHttps, "gone.desktop;b.desktop")},
            {"system/data/applications/b.desktop", Entry("Exec=b %U")}},
           "b %U"},
          {"http before text/html, when nothing handles https",
           {{"system/data/applications/mimeapps.list", Defaults("text/html", "h.desktop")},
            {"system/config/mimeapps.list", Defaults("x-scheme-handler/http", "p.desktop")},
            {kUserApps + "h.desktop", Entry("Exec=h")},
            {kUserApps + "p.desktop", Entry("Exec=p %u")}},
           "p %u"},
          {"the configuration before the data folders",
           {{"home/data/applications/mimeapps.list", Defaults(kHttps, "d.desktop")},
            {"system/config/mimeapps.list", Defaults(kHttps, "c.desktop")},
            {kUserApps + "d.desktop", Entry("Exec=d")},
            {kUserApps + "c.desktop", Entry("Exec=c")}},
           "c"},
          {"the current desktop's list first (XDG_CURRENT_DESKTOP is Other:XQ)",
           {{kUserList, Defaults(kHttps, "any.desktop")},
            {"home/config/xq-mimeapps.list", Defaults(kHttps, "xq.desktop")},
            {kUserApps + "any.desktop", Entry("Exec=any")},
            {kUserApps + "xq.desktop", Entry("Exec=xq")}},
           "xq"},
          {"the user's hidden entry deletes the system's",
           {{kUserList, Defaults(kHttps, "c.desktop")},
            {kUserApps + "c.desktop", Entry("Exec=c\nHidden=true")},
            {"system/data/applications/c.desktop", Entry("Exec=system c")}},
           std::nullopt},
          {"an association added is not a default",
           {{kUserList, "[Added Associations]\n" + kHttps + "=a.desktop\n"},
            {kUserApps + "a.desktop", Entry("Exec=a")}},
           std::nullopt},
      };
  for (const auto& [what, files, exec] : cases) {
    Reset(files);
    ::setenv("XDG_CURRENT_DESKTOP", "Other:XQ", 1);
    EXPECT_EQ(DefaultBrowserExec(), exec) << what;
  }
}

TEST_F(WebOpenerTest, TheBrowserIsStartedOnlyWhenTheDesktopFails) {
  const std::string chromium = "/usr/bin/chromium https://www.example.com/";
  const std::tuple<bool, bool, bool, bool, std::string> cases[] = {
      // desktop opens, browser installed, browser starts: opened, command started
      {true, true, true, true, ""},
      {false, true, true, true, chromium},
      {false, true, false, false, chromium},
      {false, false, true, false, ""},
  };
  for (const auto& [desktopOpens, installed, starts, opened, command] : cases) {
    std::map<std::string, std::string> browser = {
        {kUserList, Defaults(kHttps, "web.desktop")},
        {kUserApps + "web.desktop", Entry("Exec=/usr/bin/chromium \"%U\"")}};
    Reset(installed ? browser : std::map<std::string, std::string>{});
    std::string asked, started;
    SetDesktopOpener([&](const std::string& address) {
      asked = address;
      return desktopOpens;
    });
    SetCommandStarter([&](const std::string& line) {
      started = line;
      return starts;
    });
    EXPECT_EQ(OpenWebAddress("https://www.example.com/"), opened);
    EXPECT_EQ(asked, "https://www.example.com/");
    EXPECT_EQ(started, command);
  }
}

// No GUI application here, so the desktop cannot open anything and the real starter runs the
// entry's command: a "browser" that creates the file the address names.
TEST_F(WebOpenerTest, WithoutADesktopTheBrowserCommandRunsDetached) {
  Reset({{kUserList, Defaults(kHttps, "touch.desktop")},
         {kUserApps + "touch.desktop", Entry("Exec=/usr/bin/touch %u")}});
  fs::path made = root_ / "opened";
  ASSERT_TRUE(OpenWebAddress(made.string()));
  for (int i = 0; i < 500 && !fs::exists(made); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(fs::exists(made));
  EXPECT_FALSE(OpenWebAddress(""));
}

}  // namespace
