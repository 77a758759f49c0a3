#include "engine/training_data.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <mutex>
#include <thread>

#include "engine/search.h"

namespace engine {

namespace {

constexpr char kMagic[4] = {'X', 'Q', 'S', 'P'};
constexpr uint8_t kHeaderFlag = 0x40;   // bit 94: byte 11, bit 6
constexpr uint8_t kBlackToMove = 0x80;  // bit 95

// Little-endian whole numbers of `bytes` bytes.
void Put(uint8_t* at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = uint8_t(v >> (8 * i));
}
uint64_t Get(const uint8_t* at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t(at[i]) << (8 * i);
  return v;
}

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

std::nullopt_t Refused(std::string* error, const std::string& why) {
  Fail(error, why);
  return std::nullopt;
}

bool ReadRecord(std::istream& in, Record& record) {
  in.read(reinterpret_cast<char*>(record.data()), std::streamsize(record.size()));
  return in.gcount() == std::streamsize(record.size());
}

// Each game's own random stream: its number mixed into the seed (splitmix64), so a game is the
// same whichever thread plays it and whatever was played before.
uint64_t GameSeed(uint64_t seed, uint64_t number) {
  uint64_t z = seed + (number + 1) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// One game as records: its header, then its positions with the game's result.
std::vector<Record> PlayTrainingGame(Searcher& searcher, const SelfPlayOptions& play,
                                     uint64_t number) {
  std::mt19937_64 rng(GameSeed(play.seed, number));
  std::vector<Record> records(1);
  double result = PlaySelfPlayGame(
      searcher, play, rng, play.random_plies + int(number % 2),
      [&](Position& pos, const SearchResult& found) {
        bool mate_like = std::abs(found.score) >= kPerpetualScore - kMaxPly;
        if (found.best == kNoMove || mate_like || pos.PieceAt(found.best.to) || pos.InCheckCached())
          return;
        records.push_back(EncodePosition(pos, found.score, found.best, 1));
      });
  const int red = result == 1.0 ? 2 : result == 0.0 ? 0 : 1;
  for (size_t i = 1; i < records.size(); ++i)
    records[i][31] = uint8_t((records[i][31] & 0x3F) | red << 6);  // the result's two bits
  GameHeader header;
  header.number = number;
  header.positions = uint32_t(records.size() - 1);
  header.nodes = uint32_t(play.nodes);
  header.seed = play.seed;
  records[0] = EncodeGameHeader(header);
  return records;
}

}  // namespace

Record EncodePosition(const Position& pos, int score, Move best, int result) {
  Record r{};
  int n = 0;
  for (Square s = 0; s < 90; ++s) {
    int piece = pos.PieceAt(s);
    if (!piece) continue;
    r[size_t(s / 8)] |= uint8_t(1u << (s % 8));
    r[size_t(12 + n / 2)] |= uint8_t(piece << (n % 2 * 4));
    ++n;
  }
  if (pos.SideToMove() == kBlack) r[11] |= kBlackToMove;
  Put(&r[28], uint16_t(int16_t(std::clamp(score, -32768, 32767))), 2);
  Put(&r[30], uint16_t(best.from | best.to << 7 | std::clamp(result, 0, 2) << 14), 2);
  return r;
}

std::optional<TrainingPosition> DecodePosition(const Record& r, std::string* error) {
  if (r[11] & 0x7C) return Refused(error, "reserved bits of the board are set");
  int8_t board[90] = {};
  int n = 0;
  for (Square s = 0; s < 90; ++s) {
    if (!(r[size_t(s / 8)] >> (s % 8) & 1)) continue;
    if (n >= 32) return Refused(error, "more than 32 pieces");
    board[s] = int8_t(r[size_t(12 + n / 2)] >> (n % 2 * 4) & 15);
    if (board[s] == 0 || board[s] == 8) return Refused(error, "a bad piece code");
    ++n;
  }
  for (int i = n; i < 32; ++i)
    if (r[size_t(12 + i / 2)] >> (i % 2 * 4) & 15)
      return Refused(error, "a piece code past the last piece");
  std::string why;
  auto pos = Position::FromFen(FenBoard(board) + (r[11] & kBlackToMove ? " b" : " w"), &why);
  if (!pos) return Refused(error, "not a position: " + why);
  uint16_t packed = uint16_t(Get(&r[30], 2));
  TrainingPosition out{*pos, int16_t(Get(&r[28], 2)),
                       Move{uint8_t(packed & 127), uint8_t(packed >> 7 & 127)}, packed >> 14};
  if (out.best.from >= 90 || out.best.to >= 90 || out.result > 2)
    return Refused(error, "a square off the board or a result above 2");
  return out;
}

Record EncodeGameHeader(const GameHeader& header) {
  Record r{};
  std::memcpy(r.data(), kMagic, 4);
  Put(&r[4], header.positions, 4);
  r[11] = kHeaderFlag;
  Put(&r[12], header.number, 8);
  Put(&r[20], header.nodes, 4);
  Put(&r[24], header.seed, 8);
  return r;
}

std::optional<GameHeader> DecodeGameHeader(const Record& r) {
  if (std::memcmp(r.data(), kMagic, 4) != 0 || r[8] || r[9] || r[10] || r[11] != kHeaderFlag)
    return std::nullopt;
  return GameHeader{Get(&r[12], 8), uint32_t(Get(&r[4], 4)), uint32_t(Get(&r[20], 4)),
                    Get(&r[24], 8)};
}

DataIndex IndexTrainingData(std::istream& in) {
  DataIndex index;
  Record record;
  uint64_t at = 0;
  while (ReadRecord(in, record)) {
    auto header = DecodeGameHeader(record);
    if (!header) {
      index.error = "record " + std::to_string(at / kRecordBytes) + " is not a game's header";
      return index;
    }
    uint64_t end = at + kRecordBytes * (uint64_t(header->positions) + 1);
    for (uint32_t i = 0; i < header->positions; ++i) {
      if (!ReadRecord(in, record)) return index;  // cut off in this game
      if (record[11] & kHeaderFlag) {
        index.error = "game " + std::to_string(header->number) + " holds fewer positions than " +
                      "its header says";
        return index;
      }
    }
    index.games.push_back(*header);
    index.complete_bytes = at = end;
  }
  return index;
}

bool WriteTrainingData(const TrainingDataOptions& options, const std::string& path,
                       std::string* error, const std::function<void(uint64_t games)>& progress) {
  const SelfPlayOptions& play = options.play;
  std::vector<bool> done(size_t(std::max(play.games, 0)), false);
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, "cannot read " + path);
    DataIndex index = IndexTrainingData(in);
    if (!index.error.empty()) return Fail(error, path + ": " + index.error);
    for (const GameHeader& game : index.games) {
      if (game.nodes != play.nodes || game.seed != play.seed)
        return Fail(error, path + " holds games of other nodes or another seed");
      if (game.number < done.size()) done[game.number] = true;
    }
    std::filesystem::resize_file(path, index.complete_bytes, ec);  // a game cut off goes
    if (ec) return Fail(error, "cannot continue " + path + ": " + ec.message());
  }
  std::ofstream out(path, std::ios::binary | std::ios::app);
  if (!out) return Fail(error, "cannot write " + path);
  std::vector<uint64_t> todo;
  uint64_t held = 0;
  for (uint64_t g = 0; g < done.size(); ++g) {
    if (done[g])
      ++held;
    else
      todo.push_back(g);
  }
  std::atomic<size_t> next{0};
  std::mutex mutex;
  bool failed = false;
  auto work = [&] {
    Searcher searcher(16);
    for (size_t i; (i = next++) < todo.size();) {
      searcher.NewGame();
      std::vector<Record> game = PlayTrainingGame(searcher, play, todo[i]);
      std::lock_guard<std::mutex> lock(mutex);
      for (const Record& r : game)
        out.write(reinterpret_cast<const char*>(r.data()), std::streamsize(r.size()));
      out.flush();
      failed = failed || !out;
      ++held;
      if (progress) progress(held);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 1; t < std::max(options.threads, 1); ++t) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
  if (failed) return Fail(error, "writing " + path + " failed");
  return true;
}

}  // namespace engine
