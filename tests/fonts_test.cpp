// The interface font carried in the program: registered with Qt, behind the system's face, and
// enough on its own to draw the program's Chinese on a machine without any CJK font.
#include "runtime/system/fonts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/about.h"
#include "tests/support/application.h"

using namespace runtime;

namespace {

// The one check of the font's coverage: every text on the list the font is made from, the about
// text the game shows, and the texts the players read most, in case the list loses them.
TEST(InterfaceFont, HoldsEveryTextOfTheProgram) {
  testing_support::TestApplication();
  QString family = InstallInterfaceFont();
  ASSERT_EQ(family, QString("Xiangqi Sans SC"));
  QFont font(family);
  font.setStyleStrategy(QFont::NoFontMerging);  // this face alone
  ASSERT_EQ(QFontInfo(font).family(), family);
  QFontMetrics metrics(font);
  std::vector<std::string> texts = {std::string(game::AboutText()),
                                    "到你了...",
                                    "电脑思考中...",
                                    "步数:",
                                    "时间",
                                    "毫秒",
                                    "你赢了",
                                    "你输了",
                                    "运行时出错!",
                                    "象棋棋局文件（*.ces）|*.ces"};
  std::ifstream list(XQ_SOURCE_DIR "/tools/ui_texts.txt");
  for (std::string line; std::getline(list, line);)
    if (!line.empty() && line[0] != '#') texts.push_back(line);
  int checked = 0;
  for (const std::string& text : texts) {
    for (char32_t c : QString::fromStdString(text).toUcs4()) {
      if (c == U'\n') continue;
      EXPECT_TRUE(metrics.inFontUcs4(c)) << "U+" << std::hex << uint32_t(c) << " of " << text;
      ++checked;
    }
  }
  EXPECT_GT(checked, 300);
}

// How each glyph run of the text is drawn in the application font: "ours" in the interface font,
// "other" in another font, "missing" where a glyph is lacking. Fonts are told apart by their name
// tables: asking Qt's stand-in engine (used when no font loads at all) its family crashes.
QStringList Drawing(const QString& text) {
  std::span<const uint8_t> bytes = InterfaceFontBytes();
  QByteArray ours =
      QRawFont(QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()), 12)
          .fontTable("name");
  QTextLayout layout(text, QApplication::font());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  QStringList drawing;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    bool isOurs = !ours.isEmpty() && run.rawFont().fontTable("name") == ours;
    drawing.append(run.glyphIndexes().contains(0) ? "missing" : isOurs ? "ours" : "other");
  }
  return drawing;
}

TEST(InterfaceFont, ComesOnceAfterTheSystemFace) {
  testing_support::TestApplication();
  // The face the system's family stands for (asked without merging, Qt names some other face).
  QString face = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
  QString family = InstallInterfaceFont();
  EXPECT_EQ(InstallInterfaceFont(), family);
  EXPECT_EQ(QApplication::font().families(), QStringList({face, family}));

  QFont system(face);
  system.setStyleStrategy(QFont::NoFontMerging);
  if (QFontMetrics(system).inFontUcs4(U'电')) GTEST_SKIP() << "the system's face draws Chinese";
  // Ours even where other CJK fonts are installed, and the system's face for what it has.
  EXPECT_EQ(Drawing("电脑思考中"), QStringList("ours"));
  EXPECT_EQ(Drawing("Velmora"), QStringList("other"));
}

// Runs in a child process whose fontconfig knows no font at all; its exit status says whether
// the program's text came out in the interface font.
void DrawWithoutSystemFonts(const std::string& config) {
  ::setenv("FONTCONFIG_FILE", config.c_str(), 1);
  testing_support::TestApplication();
  QStringList before = Drawing("电脑思考中");
  InstallInterfaceFont();
  QStringList after = Drawing("电脑思考中");
  std::fprintf(stderr, "drawn before: %s; after: %s\n", qPrintable(before.join(", ")),
               qPrintable(after.join(", ")));
  // The child made its own folder (a death test runs the test body again): it leaves none behind.
  std::filesystem::remove_all(std::filesystem::path(config).parent_path());
  std::_Exit(!before.contains("ours") && after == QStringList("ours") ? 0 : 1);
}

TEST(InterfaceFont, DrawsChineseWhereNoFontIsInstalled) {
  auto folder = std::filesystem::temp_directory_path() / ("xq-fonts-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::string config = (folder / "fonts.conf").string();
  std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>"
                        << (folder / "cache").string() << "</cachedir></fontconfig>\n";
  // A fresh process, not a copy of this one, which may have installed the font already.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DrawWithoutSystemFonts(config), ::testing::ExitedWithCode(0), "drawn");
  std::filesystem::remove_all(folder);
}

}  // namespace
