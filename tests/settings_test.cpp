// The remembered settings: numbers and texts kept in the named file across reopenings, anything
// else read as nothing.
#include "runtime/system/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <fstream>

namespace {

TEST(Settings, NumbersAndTextsAreKeptAndAnythingElseIsNothing) {
  const std::string path =
      QDir::temp().filePath(QStringLiteral("xiangqi-settings-test.ini")).toStdString();
  QFile::remove(QString::fromStdString(path));
  runtime::UseSettingsFile(path);
  EXPECT_EQ(runtime::ReadSetting("level"), std::nullopt);
  runtime::WriteSetting("level", 7);
  runtime::WriteSetting("standardRules", 1);
  EXPECT_EQ(runtime::ReadSetting("level"), 7);
  {
    std::ofstream file(path, std::ios::app);
    file << "broken=seven\n";
    file << "edited=Pika, NNUE 2024\n";  // by hand: a text with a comma outside quotes
  }
  EXPECT_EQ(runtime::ReadSetting("broken"), std::nullopt);
  EXPECT_EQ(runtime::ReadTextSetting("edited"), "Pika, NNUE 2024");
  EXPECT_EQ(runtime::ReadSetting("standardRules"), 1);
  // Texts as they were written (commands with blanks, quotes and commas, Chinese names), and
  // gone when removed.
  for (const std::string text : {"/usr/games/fairy-stockfish", "引擎 'a, b' \"c\"", ""}) {
    runtime::WriteTextSetting("engines/1/command", text);
    EXPECT_EQ(runtime::ReadTextSetting("engines/1/command"), text);
  }
  runtime::WriteTextSetting("engines/1/command", std::nullopt);
  EXPECT_EQ(runtime::ReadTextSetting("engines/1/command"), std::nullopt);
  runtime::UseSettingsFile("");
  QFile::remove(QString::fromStdString(path));
}

}  // namespace
