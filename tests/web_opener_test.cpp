// Opening a web address: the command built from a browser entry, the search for the default
// browser through the XDG folders, and the fallback from the desktop to that browser.
#include "runtime/system/web_opener.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

using namespace runtime;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAddress = "https://www.example.com/a?b=1";

TEST(BrowserCommand, CutsTheExecCommandWhereItsPlaceholderBegins) {
  struct Case {
    std::string_view exec;
    std::string_view command;
  };
  const Case cases[] = {
      {"firefox %u", "firefox https://www.example.com/a?b=1"},
      {"/usr/bin/chromium \"%U\"", "/usr/bin/chromium https://www.example.com/a?b=1"},
      {"epiphany", "epiphany https://www.example.com/a?b=1"},
      {"browser --new-window %F --x", "browser --new-window https://www.example.com/a?b=1"},
      {"x \"%u\"", "x https://www.example.com/a?b=1"},
      {"x\t %f", "x https://www.example.com/a?b=1"},
      {"web --icon %i %u", "web --icon %i https://www.example.com/a?b=1"},
      {"web --zoom=100%% %u", "web --zoom=100%% https://www.example.com/a?b=1"},
      {"\"/opt/My Web/web\" %U", "\"/opt/My Web/web\" https://www.example.com/a?b=1"},
  };
  for (const Case& c : cases) EXPECT_EQ(BrowserCommand(c.exec, kAddress), c.command) << c.exec;
}

// The XDG folders of a test: the user's under home/, the system's under system/, everything of the
// machine's own out of sight.
class WebOpenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("xq-web-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Reset();
  }
  void TearDown() override {
    fs::remove_all(root_);
    SetDesktopOpener({});
    SetCommandStarter({});
  }
  void Reset() {
    fs::remove_all(root_);
    for (const char* folder : {"home/config", "home/data", "system/config", "system/data"})
      fs::create_directories(root_ / folder);
    ::setenv("XDG_CONFIG_HOME", (root_ / "home/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root_ / "home/data").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (root_ / "system/config").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (root_ / "system/data").c_str(), 1);
    ::unsetenv("XDG_CURRENT_DESKTOP");
  }
  void Write(const std::string& path, const std::string& text) {
    fs::create_directories((root_ / path).parent_path());
    std::ofstream(root_ / path) << text;
  }
  void InstallBrowser(const std::string& exec) {
    Write("home/config/mimeapps.list",
          "[Default Applications]\nx-scheme-handler/https=web.desktop\n");
    Write("home/data/applications/web.desktop", "[Desktop Entry]\nExec=" + exec + "\n");
  }

  fs::path root_;
};

std::string Defaults(const std::string& type, const std::string& ids) {
  return "[Default Applications]\n" + type + "=" + ids + "\n";
}

std::string Entry(const std::string& exec, bool hidden = false) {
  return "[Desktop Entry]\nType=Application\nExec=" + exec + (hidden ? "\nHidden=true\n" : "\n");
}

TEST_F(WebOpenerTest, DefaultBrowserExecFollowsTheFreedesktopOrder) {
  const std::string https = "x-scheme-handler/https";
  struct Case {
    const char* what;
    std::map<std::string, std::string> files;
    const char* desktop;  // XDG_CURRENT_DESKTOP
    std::optional<std::string> exec;
  };
  const Case cases[] = {
      {"the user's choice",
       {{"home/config/mimeapps.list", Defaults(https, "a.desktop")},
        {"home/data/applications/a.desktop", Entry("a %u")}},
       nullptr,
       "a %u"},
      {"an entry not installed is passed over",
       {{"home/config/mimeapps.list", Defaults(https, "gone.desktop;b.desktop")},
        {"system/data/applications/b.desktop", Entry("b %U")}},
       nullptr,
       "b %U"},
      {"http, then text/html, when nothing handles https",
       {{"system/data/applications/mimeapps.list", Defaults("text/html", "h.desktop")},
        {"system/config/mimeapps.list", Defaults("x-scheme-handler/http", "p.desktop")},
        {"home/data/applications/h.desktop", Entry("h")},
        {"home/data/applications/p.desktop", Entry("p %u")}},
       nullptr,
       "p %u"},
      {"the configuration outranks the data folders",
       {{"home/data/applications/mimeapps.list", Defaults(https, "data.desktop")},
        {"system/config/mimeapps.list", Defaults(https, "config.desktop")},
        {"home/data/applications/data.desktop", Entry("data")},
        {"home/data/applications/config.desktop", Entry("config")}},
       nullptr,
       "config"},
      {"the current desktop's list comes first",
       {{"home/config/mimeapps.list", Defaults(https, "any.desktop")},
        {"home/config/xq-mimeapps.list", Defaults(https, "xq.desktop")},
        {"home/data/applications/any.desktop", Entry("any")},
        {"home/data/applications/xq.desktop", Entry("xq")}},
       "Other:XQ",
       "xq"},
      {"the user's hidden entry deletes the system's",
       {{"home/config/mimeapps.list", Defaults(https, "c.desktop")},
        {"home/data/applications/c.desktop", Entry("c", true)},
        {"system/data/applications/c.desktop", Entry("system c")}},
       nullptr,
       std::nullopt},
      {"an association added is not a default",
       {{"home/config/mimeapps.list", "[Added Associations]\n" + https + "=a.desktop\n"},
        {"home/data/applications/a.desktop", Entry("a")}},
       nullptr,
       std::nullopt},
      {"no lists at all", {}, nullptr, std::nullopt},
  };
  for (const Case& c : cases) {
    Reset();
    if (c.desktop != nullptr) ::setenv("XDG_CURRENT_DESKTOP", c.desktop, 1);
    for (const auto& [path, text] : c.files) Write(path, text);
    EXPECT_EQ(DefaultBrowserExec(), c.exec) << c.what;
  }
}

TEST_F(WebOpenerTest, TheBrowserIsStartedOnlyWhenTheDesktopFails) {
  struct Case {
    bool desktopOpens;
    bool browserInstalled;
    bool browserStarts;
    bool opened;
    std::string started;  // the command given to the starter, if any
  };
  const Case cases[] = {
      {true, true, true, true, ""},
      {false, true, true, true, "/usr/bin/chromium https://www.example.com/a?b=1"},
      {false, true, false, false, "/usr/bin/chromium https://www.example.com/a?b=1"},
      {false, false, true, false, ""},
  };
  for (const Case& c : cases) {
    Reset();
    if (c.browserInstalled) InstallBrowser("/usr/bin/chromium \"%U\"");
    std::string asked, started;
    SetDesktopOpener([&](const std::string& address) {
      asked = address;
      return c.desktopOpens;
    });
    SetCommandStarter([&](const std::string& command) {
      started = command;
      return c.browserStarts;
    });
    EXPECT_EQ(OpenWebAddress(kAddress), c.opened) << c.desktopOpens << c.browserInstalled;
    EXPECT_EQ(asked, kAddress);
    EXPECT_EQ(started, c.started);
  }
}

// No GUI application here, so the desktop cannot open anything and the real starter runs the
// entry's command: a "browser" that creates the file named by the address.
TEST_F(WebOpenerTest, WithoutADesktopTheBrowserCommandRunsDetached) {
  InstallBrowser("/usr/bin/touch %u");
  fs::path made = root_ / "opened";
  ASSERT_TRUE(OpenWebAddress(made.string()));
  for (int i = 0; i < 500 && !fs::exists(made); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(fs::exists(made));
  EXPECT_FALSE(OpenWebAddress(""));
}

}  // namespace
