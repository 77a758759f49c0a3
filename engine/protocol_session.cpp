#include "engine/protocol_session.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <utility>

#include "engine/network.h"

namespace engine::protocol {

void Output::Line(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  out_ << text << '\n';
  out_.flush();
}

std::vector<std::string> Split(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string Join(const std::vector<std::string>& words, size_t first, size_t end) {
  std::string joined;
  for (size_t i = first; i < end && i < words.size(); ++i) {
    if (!joined.empty()) joined += ' ';
    joined += words[i];
  }
  return joined;
}

std::string Moves(const std::vector<Move>& moves) {
  std::string text;
  for (Move m : moves) {
    text += ' ';
    text += ToIccs(m);
  }
  return text;
}

std::optional<std::vector<Move>> ReadMoveList(const Position& pos,
                                              const std::vector<std::string>& words, size_t first,
                                              std::string& error) {
  Position play = pos;
  std::vector<Move> moves;
  for (size_t i = first; i < words.size(); ++i) {
    auto move = ParseIccs(words[i]);
    if (!move || !play.IsLegal(*move)) {
      error = (move ? "illegal move " : "not a move ") + words[i];
      return std::nullopt;
    }
    play.MakeMove(*move);
    moves.push_back(*move);
  }
  return moves;
}

std::optional<Position> ReadPositionCommand(const std::vector<std::string>& words, size_t first,
                                            std::string& error) {
  if (first >= words.size()) {
    error = "position needs startpos or fen";
    return std::nullopt;
  }
  auto moves_at = std::find(words.begin() + first, words.end(), "moves") - words.begin();
  std::optional<Position> pos;
  const std::string& kind = words[first];
  if (kind == "startpos") {
    if (size_t(moves_at) != first + 1) {
      error = "unexpected words after startpos: " + Join(words, first + 1, moves_at);
      return std::nullopt;
    }
    pos = Position();
  } else if (kind == "fen") {
    std::string fen = Join(words, first + 1, moves_at);
    std::string why;
    pos = Position::FromFen(fen, &why);
    if (!pos) {
      error = "bad FEN (" + why + "): " + fen;
      return std::nullopt;
    }
  } else {
    error = "position needs startpos or fen, not " + kind;
    return std::nullopt;
  }
  auto moves = ReadMoveList(*pos, words, moves_at + 1, error);
  if (!moves) return std::nullopt;
  for (Move m : *moves) pos->MakeMove(m);
  return pos;
}

namespace {

template <typename T>
T Tighter(T a, T b) {  // 0 means "no limit"
  if (a == 0) return b;
  if (b == 0) return a;
  return std::min(a, b);
}

Limits Tighter(const Limits& a, const Limits& b) {
  Limits both;
  both.depth = Tighter(a.depth, b.depth);
  both.nodes = Tighter(a.nodes, b.nodes);
  both.movetime_ms = Tighter(a.movetime_ms, b.movetime_ms);
  both.movetime_exact = (a.movetime_exact && both.movetime_ms == a.movetime_ms) ||
                        (b.movetime_exact && both.movetime_ms == b.movetime_ms);
  both.soft_ms = Tighter(a.soft_ms, b.soft_ms);
  both.variety_cp = std::max(a.variety_cp, b.variety_cp);  // a weak level stays varied
  return both;
}

Limits OwnLimits(int level) {
  if (!PlayedByTwoPlySearch(level)) return LevelLimits(level);
  Limits shallow;  // levels 1 and 2 when the game's search is not at hand
  shallow.depth = level;
  return shallow;
}

}  // namespace

Limits EffectiveLimits(int level, const GoRequest& request, const Limits& cap) {
  level = std::clamp(level, kMinLevel, kMaxLevel);
  Limits limits;
  if (request.infinite) {
    limits = Limits{};
  } else if (!request.given) {
    limits = OwnLimits(level);
  } else if (level < kMaxLevel) {
    limits = Tighter(request.limits, OwnLimits(level));
  } else {
    limits = request.limits;
  }
  return Tighter(limits, cap);
}

void Worker::Start(std::function<void()> job) {
  Join();
  busy_ = true;
  thread_ = std::thread([this, job = std::move(job)] {
    job();
    busy_ = false;
  });
}

void Worker::Join() {
  if (thread_.joinable()) thread_.join();
}

SearchResult FindMove(Searcher& searcher, const ProtocolSetup& setup, int level,
                      const Position& pos, const Limits& limits, const std::vector<Move>& banned,
                      const std::function<void(const SearchInfo&)>& on_info) {
  if (PlayedByTwoPlySearch(level) && setup.shallow) {
    std::optional<Move> move = setup.shallow(pos, level);
    bool usable = move && pos.IsLegal(*move) &&
                  std::find(banned.begin(), banned.end(), *move) == banned.end();
    if (usable) {
      SearchResult result;
      result.best = *move;
      result.depth = level;
      return result;
    }
    // The two-ply search knows fewer rules than the engine (a general left facing the other, a
    // check not answered): such a move is never played; the engine's one-ply choice is.
    Limits one;
    one.depth = 1;
    one.stop = limits.stop;
    return searcher.Search(pos, one, banned, on_info);
  }
  return searcher.Search(pos, limits, banned, on_info);
}

std::vector<std::string> PerftLines(Position pos, int depth) {
  std::vector<std::string> lines;
  uint64_t total = 0;
  for (const auto& [move, count] : PerftDivide(pos, depth)) {
    lines.push_back(ToIccs(move) + ": " + std::to_string(count));
    total += count;
  }
  lines.emplace_back();
  lines.push_back("Nodes searched: " + std::to_string(total));
  return lines;
}

void SearchSession::Go(const GoRequest& request, InfoLine info, Report done) {
  Settle();
  if (!request.ponder) return Start(request, request.infinite, std::move(info), std::move(done));
  ponder_request = request;
  ponder_request.ponder = false;
  ponder_info = info;
  ponder_done = done;
  // The strongest level ponders without limit; a weaker one only as far as its own limits, or
  // pondering would make it stronger than its level.
  GoRequest first = request;
  first.infinite = request.infinite || level >= kMaxLevel;
  Start(first, true, std::move(info), std::move(done));
  pondering = true;
}

void SearchSession::Start(const GoRequest& request, bool hold, InfoLine info, Report done) {
  ApplyPending();
  // Analysis ("infinite") is always the engine's: the shallow levels could not keep searching.
  int search_level = request.infinite ? kMaxLevel : level;
  Limits limits = EffectiveLimits(search_level, request, setup.cap);
  limits.multipv = multipv;
  limits.chase_rule = chase_rule;
  limits.no_capture_plies = no_capture_plies;
  // The strongest level (and analysis) evaluates with the network; the weaker levels keep the
  // classical evaluation they were measured with. The search holds its network for as long as
  // it runs, whatever EvalFile says meanwhile.
  std::shared_ptr<const Network> net;
  if (use_network && search_level == kMaxLevel)
    net = network ? network : std::shared_ptr<const Network>(&Network::Embedded(), [](auto) {});
  limits.network = net.get();
  if (setup.on_search) setup.on_search(limits);
  stop = false;  // the worker is idle: no search reads the flag now
  limits.stop = &stop;
  bool shallow = PlayedByTwoPlySearch(search_level) && setup.shallow;
  unbounded =
      hold || (!shallow && limits.depth == 0 && limits.nodes == 0 && limits.movetime_ms == 0);
  worker.Start([this, pos = position, search_level, limits, hold, banned = request.banned, net,
                info = std::move(info), done = std::move(done)] {
    (void)net;  // held, not read: limits.network points into it
    SearchResult result =
        FindMove(searcher, setup, search_level, pos, limits, banned, [&](const SearchInfo& i) {
          std::string line = info(i);
          if (!line.empty()) output.Line(line);
        });
    if (hold) stop.wait(false);
    if (!discard) done(result);
  });
}

void SearchSession::UseNetwork(bool on) {
  if (on != use_network) NewGame();
  use_network = on;
}

bool SearchSession::LoadNetwork(const std::string& path, std::string* error) {
  if (path.empty() || path == kBuiltInNetwork) {
    network.reset();
  } else {
    auto loaded = Network::FromFile(path, error);
    if (!loaded) return false;
    network = std::make_shared<const Network>(std::move(*loaded));
  }
  NewGame();
  return true;
}

void SearchSession::PonderHit() {
  if (!pondering) return;
  discard = true;
  StopSearch();
  discard = false;
  Start(ponder_request, ponder_request.infinite, std::move(ponder_info), std::move(ponder_done));
}

void SearchSession::UseClock(GoRequest& request, int64_t remaining_ms, int64_t increment_ms,
                             int movestogo) const {
  TimeAllotment time = AllotTime(remaining_ms, increment_ms, movestogo, move_overhead_ms);
  request.limits.movetime_ms = time.hard_ms;
  request.limits.soft_ms = time.soft_ms;
  request.given = true;
}

bool SearchSession::SetHash(int64_t mb) {
  if (mb < 1 || uint64_t(mb) > std::max<size_t>(1, setup.max_hash_mb)) return false;
  if (!worker.Busy()) return searcher.SetHashMb(size_t(mb));
  pending_hash_mb = mb;
  return true;
}

void SearchSession::NewGame() {
  if (worker.Busy())
    pending_new_game = true;
  else
    searcher.NewGame();
}

void SearchSession::ApplyPending() {
  if (pending_new_game) searcher.NewGame();
  if (pending_hash_mb && !searcher.SetHashMb(size_t(pending_hash_mb)))
    output.Line("info string a table of " + std::to_string(pending_hash_mb) +
                " MB cannot be had on this machine now; the table is unchanged");
  pending_new_game = false;
  pending_hash_mb = 0;
}

void SearchSession::MoveTime(GoRequest& request, int64_t ms, bool exact) const {
  request.limits.movetime_ms = std::max<int64_t>(ms - move_overhead_ms, 1);
  request.limits.movetime_exact = exact;
  request.given = true;
}

void SearchSession::StopSearch() {
  // Kept until the next search clears it, so a search that has not begun yet ends at once too.
  stop = true;
  stop.notify_all();
  worker.Join();
  pondering = false;
}

void SearchSession::Settle() {
  if (unbounded) StopSearch();
  worker.Join();
}

}  // namespace engine::protocol
