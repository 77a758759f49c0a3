// The interface font carried in the program: registered with Qt, behind the system's family, and
// enough on its own to draw the program's Chinese on a machine without any CJK font.
#include "runtime/system/fonts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/application.h"

using namespace runtime;

namespace {

constexpr const char* kFamily = "Xiangqi Sans SC";

TEST(InterfaceFont, HoldsEveryTextOfTheProgram) {
  testing_support::TestApplication();
  QString family = InstallInterfaceFont();
  ASSERT_EQ(family, QString(kFamily));
  EXPECT_TRUE(QFontDatabase::families().contains(family));
  EXPECT_EQ(InterfaceFontBytes().size(),
            std::filesystem::file_size(XQ_SOURCE_DIR "/assets/fonts/ui-subset.otf"));

  QFont font(family);
  font.setStyleStrategy(QFont::NoFontMerging);  // this face alone, no fallback
  ASSERT_EQ(QFontInfo(font).family(), family);
  QFontMetrics metrics(font);
  std::ifstream texts(XQ_SOURCE_DIR "/tools/ui_texts.txt");
  std::string line;
  int checked = 0;
  while (std::getline(texts, line)) {
    if (line.empty() || line[0] == '#') continue;
    for (char32_t c : QString::fromStdString(line).toUcs4()) {
      EXPECT_TRUE(metrics.inFontUcs4(c)) << "U+" << std::hex << uint32_t(c) << " of " << line;
      ++checked;
    }
  }
  EXPECT_GT(checked, 300);
}

TEST(InterfaceFont, ComesOnceAfterTheSystemFamily) {
  testing_support::TestApplication();
  QString family = InstallInterfaceFont();
  QStringList families = QApplication::font().families();
  // The face the system's family stands for, so that it still draws first.
  QString system = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
  EXPECT_EQ(families, QStringList({system, family}));
  EXPECT_EQ(InstallInterfaceFont(), family);
  EXPECT_EQ(QApplication::font().families(), families);
}

// How each glyph run of the text is drawn in the application font: "ours" in the interface font,
// "other" in another font, "missing" where a glyph is lacking. Fonts are told apart by their name
// tables: asking a stand-in engine (what Qt uses when no font loads at all) its family crashes.
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
    if (run.glyphIndexes().contains(0))
      drawing.append("missing");
    else
      drawing.append(!ours.isEmpty() && run.rawFont().fontTable("name") == ours ? "ours" : "other");
  }
  return drawing;
}

int DarkPixels(const QString& text) {
  QImage image(200, 60, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(QApplication::font());
  painter.setPen(Qt::black);
  painter.drawText(image.rect(), Qt::AlignCenter, text);
  painter.end();
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
  return dark;
}

TEST(InterfaceFont, DrawsWhatTheSystemFamilyLacks) {
  testing_support::TestApplication();
  // The face that the system's family stands for (asked of the family itself without merging,
  // Qt answers with some other face).
  QFont system(QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family());
  system.setStyleStrategy(QFont::NoFontMerging);
  if (QFontMetrics(system).inFontUcs4(U'电')) GTEST_SKIP() << "the system's face draws Chinese";
  InstallInterfaceFont();
  // Ours even where other CJK fonts are installed, and the system's face for what it has.
  EXPECT_EQ(Drawing("电脑思考中"), QStringList("ours"));
  EXPECT_EQ(Drawing("Velmora"), QStringList("other"));
}

// Runs in a child process whose fontconfig knows no font at all; its exit status says whether
// the program's text came out in the interface font.
void DrawWithoutSystemFonts(const std::string& config) {
  ::setenv("FONTCONFIG_FILE", config.c_str(), 1);
  testing_support::TestApplication();
  const QString text = QStringLiteral("电脑思考中...");
  QStringList before = Drawing(text);
  InstallInterfaceFont();
  QStringList after = Drawing(text);
  std::fprintf(stderr, "drawn before: %s; after: %s\n", before.join(", ").toUtf8().constData(),
               after.join(", ").toUtf8().constData());
  if (before.contains("ours")) std::_Exit(2);  // the font was there already: nothing is shown
  std::_Exit(after == QStringList("ours") && DarkPixels(text) > 50 ? 0 : 1);
}

TEST(InterfaceFont, DrawsChineseWhereNoFontIsInstalled) {
  auto folder = std::filesystem::temp_directory_path() /
                ("xq-fonts-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
  std::filesystem::create_directories(folder);
  // A fresh process, not a copy of this one, which may have installed the font already.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::string config = (folder / "fonts.conf").string();
  std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>"
                        << (folder / "cache").string() << "</cachedir></fontconfig>\n";
  EXPECT_EXIT(DrawWithoutSystemFonts(config), ::testing::ExitedWithCode(0), "drawn");
  std::filesystem::remove_all(folder);
}

}  // namespace
