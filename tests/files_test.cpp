// Whole-file reading and writing, and the text codec they use for file names.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "runtime/commands.h"
#include "runtime/text_codec.h"

using namespace runtime;
namespace fs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("xq-files-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(folder_);
  }
  Text Name(const std::string& utf8) { return Text(Gb((folder_ / utf8).string())); }
  std::string Content(const std::string& utf8) {
    std::ifstream in(folder_ / utf8, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  size_t Entries() { return size_t(std::distance(fs::directory_iterator(folder_), {})); }

  fs::path folder_;
};

TEST_F(FilesTest, WriteThenReadBackUnderAChineseName) {
  ByteSet header = ToBytes(Text(Gb("象棋棋局")).Argument());
  ByteSet body(std::vector<uint8_t>(90, 7));
  ByteSet empty;
  EXPECT_TRUE(WriteFile(Name("棋局.ces"), {&header, &empty, &body}));
  EXPECT_TRUE(fs::exists(folder_ / "棋局.ces"));  // the UTF-8 name on disk
  ByteSet back = ReadFile(Name("棋局.ces"));
  EXPECT_EQ(back.Length(), 98);
  EXPECT_EQ(back.Bytes()[0], 0xcf);
  EXPECT_EQ(back.Bytes()[97], 7);
  EXPECT_EQ(Entries(), 1u);  // no temporary file left behind
}

TEST_F(FilesTest, RewritingReplacesTheWholeFile) {
  std::ofstream(folder_ / "a.ces") << std::string(500, 'x');
  ByteSet small(std::vector<uint8_t>{'o', 'k'});
  EXPECT_TRUE(WriteFile(Name("a.ces"), {&small}));
  EXPECT_EQ(Content("a.ces"), "ok");
}

TEST_F(FilesTest, RefusalsGiveFalseOrEmpty) {
  ByteSet data(std::vector<uint8_t>{1});
  EXPECT_FALSE(WriteFile(Text(), {&data}));
  EXPECT_TRUE(ReadFile(Text()).Empty());
  EXPECT_TRUE(ReadFile(Name("missing")).Empty());
  std::ofstream(folder_ / "empty");
  EXPECT_TRUE(ReadFile(Name("empty")).Empty());
  // A folder is neither read nor replaced.
  fs::create_directory(folder_ / "dir");
  EXPECT_TRUE(ReadFile(Name("dir")).Empty());
  EXPECT_FALSE(WriteFile(Name("dir"), {&data}));
  EXPECT_TRUE(fs::is_directory(folder_ / "dir"));
  EXPECT_FALSE(WriteFile(Name("no-such-folder/x.ces"), {&data}));
  EXPECT_EQ(Entries(), 2u);
}

TEST_F(FilesTest, UnwritableFolderKeepsThePreviousFile) {
  std::ofstream(folder_ / "keep.ces") << "old";
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec);
  // Root writes anywhere, so the attempt is made as an ordinary user in a child process.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    ByteSet data(std::vector<uint8_t>{'n', 'e', 'w'});
    if (WriteFile(Name("keep.ces"), {&data})) ::_exit(1);
    ::_exit(LastFileError().View() == Gb(std::strerror(EACCES)) ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must be refused";
  EXPECT_EQ(Content("keep.ces"), "old");
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(FilesTest, ALinkIsWrittenThroughToTheFileItNames) {
  fs::create_directory(folder_ / "records");
  std::ofstream(folder_ / "records/real.ces") << "old";
  fs::create_symlink("records/real.ces", folder_ / "link.ces");  // relative to the link's folder
  fs::create_symlink(folder_ / "link.ces", folder_ / "chain.ces");
  fs::create_symlink("records/later.ces", folder_ / "dangling.ces");
  ByteSet data(std::vector<uint8_t>{'n', 'e', 'w'});
  EXPECT_TRUE(WriteFile(Name("chain.ces"), {&data}));
  EXPECT_TRUE(fs::is_symlink(folder_ / "chain.ces"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.ces"));
  EXPECT_EQ(Content("records/real.ces"), "new");
  EXPECT_TRUE(WriteFile(Name("dangling.ces"), {&data}));
  EXPECT_TRUE(fs::is_symlink(folder_ / "dangling.ces"));
  EXPECT_EQ(Content("records/later.ces"), "new");
  fs::create_symlink("loop.ces", folder_ / "loop.ces");
  EXPECT_FALSE(WriteFile(Name("loop.ces"), {&data}));
  EXPECT_EQ(LastFileError().View(), Gb(std::strerror(ELOOP)));
  EXPECT_EQ(Entries(), 5u);  // no temporary file left behind, here or in records/
  EXPECT_EQ(size_t(std::distance(fs::directory_iterator(folder_ / "records"), {})), 2u);
}

TEST_F(FilesTest, AReplacedFileKeepsItsModeAndOwnerAndANewOneFollowsTheUmask) {
  const mode_t mask = ::umask(027);
  ByteSet data(std::vector<uint8_t>{1});
  std::ofstream(folder_ / "private.ces") << "old";
  ::chmod((folder_ / "private.ces").c_str(), 0600);
  std::ofstream(folder_ / "shared.ces") << "old";
  ::chmod((folder_ / "shared.ces").c_str(), 0664);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((folder_ / "shared.ces").c_str(), 4321, 4321), 0);
  }
  EXPECT_TRUE(WriteFile(Name("private.ces"), {&data}));
  EXPECT_TRUE(WriteFile(Name("shared.ces"), {&data}));
  EXPECT_TRUE(WriteFile(Name("new.ces"), {&data}));
  EXPECT_EQ(::umask(mask), 027u);  // what the test set, untouched by the writes
  struct stat st {};
  ASSERT_EQ(::stat((folder_ / "private.ces").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(::stat((folder_ / "shared.ces").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4321u);
  }
  ASSERT_EQ(::stat((folder_ / "new.ces").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Content("shared.ces"), "\x01");
}

TEST_F(FilesTest, AWriteThatFailsHalfWayKeepsTheOldFile) {
  std::ofstream(folder_ / "keep.ces") << "old";
  ::chmod((folder_ / "keep.ces").c_str(), 0640);
  // A file size limit makes the write itself fail (root included); the child carries the limit.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 16;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
    ByteSet data(std::vector<uint8_t>(200, 'n'));
    if (WriteFile(Name("keep.ces"), {&data})) ::_exit(1);
    ::_exit(LastFileError().View() == Gb(std::strerror(EFBIG)) ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must fail with the file size limit";
  EXPECT_EQ(Content("keep.ces"), "old");
  struct stat st {};
  ASSERT_EQ(::stat((folder_ / "keep.ces").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(FilesTest, AFailureKeepsTheSystemsReasonUntilTheNextSuccess) {
  ByteSet data(std::vector<uint8_t>{1});
  EXPECT_FALSE(WriteFile(Name("no-such-folder/x.ces"), {&data}));
  EXPECT_EQ(LastFileError().View(), Gb(std::strerror(ENOENT)));
  fs::create_directory(folder_ / "dir");
  EXPECT_FALSE(WriteFile(Name("dir"), {&data}));
  EXPECT_EQ(LastFileError().View(), Gb(std::strerror(EISDIR)));
  EXPECT_TRUE(WriteFile(Name("x.ces"), {&data}));
  EXPECT_TRUE(LastFileError().Empty());
  EXPECT_TRUE(ReadFile(Name("missing")).Empty());
  EXPECT_EQ(LastFileError().View(), Gb(std::strerror(ENOENT)));
  EXPECT_FALSE(WriteFile(Text(), {&data}));
  EXPECT_FALSE(LastFileError().Empty());
}

TEST_F(FilesTest, NamesThatCannotBeConvertedReachNoFile) {
  std::ofstream(folder_ / "x") << "data";
  // 0x80 alone and 0xFF are no GB18030 sequence: no file is opened or made, whatever the folder
  // holds.
  Text bad(Gb(folder_.string()) + "/\x80");
  ByteSet data(std::vector<uint8_t>{1});
  EXPECT_TRUE(ReadFile(bad).Empty());
  EXPECT_FALSE(WriteFile(bad, {&data}));
  EXPECT_FALSE(WriteFile(Text(Gb(folder_.string()) + "/\xff"), {&data}));
  EXPECT_EQ(Entries(), 1u);
}

TEST(TextCodecTest, RoundTripsAndRefusals) {
  EXPECT_EQ(Gb("象棋棋局"), "\xcf\xf3\xc6\xe5\xc6\xe5\xbe\xd6");  // GBK bytes
  EXPECT_EQ(GbToUtf8("\xcf\xf3\xc6\xe5"), "象棋");
  EXPECT_EQ(Utf8ToGb("€"), "\xa2\xe3");  // GB18030's euro, not GBK's 0x80
  // Four-byte GB18030 sequences hold what GBK cannot.
  auto emoji = Utf8ToGb("😀");
  ASSERT_TRUE(emoji);
  EXPECT_EQ(emoji->size(), 4u);
  EXPECT_EQ(GbToUtf8(*emoji), "😀");
  EXPECT_FALSE(GbToUtf8("\x80"));
  EXPECT_FALSE(GbToUtf8("\xcf"));  // cut in the middle of a character
  EXPECT_FALSE(Utf8ToGb("\xc3"));
  EXPECT_EQ(GbToUtf8Lossy("a\xff"
                          "b\xcf\xf3"),
            "a\xEF\xBF\xBD"
            "b象");
}

}  // namespace
