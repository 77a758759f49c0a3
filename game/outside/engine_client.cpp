#include "game/outside/engine_client.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "runtime/system/child_process.h"

namespace outside {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Progress lines may replace the one of their kind still waiting to be read: the newest of each
// MultiPV line is all an interface shows.
std::string CoalesceKey(std::string_view line) {
  if (line.substr(0, 5) != "info ") return {};
  std::string key = "info";
  size_t at = line.find(" multipv ");
  if (at != std::string_view::npos) {
    for (at += 9; at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])); ++at)
      key += line[at];
  }
  if (line.find(" pv ") != std::string_view::npos)
    key += " pv";
  else if (line.find(" score ") != std::string_view::npos)
    key += " score";
  return key;
}

std::string ExitDetail(std::optional<int> status) {
  if (!status) return {};
  if (*status >= 128) return "（被信号 " + std::to_string(*status - 128) + " 终止）";
  return "（退出码 " + std::to_string(*status) + "）";
}

EngineEvent Event(EngineEvent::Kind kind) {
  EngineEvent event;
  event.kind = kind;
  return event;
}

// The lines a MultiPV value asks for (an engine takes anything unreadable as one).
int Count(const std::string& text) {
  int value = 1;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && value >= 1 ? value : 1;
}

std::string Within(int ms) {
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + " 秒内";
  return std::to_string(ms) + " 毫秒内";
}

}  // namespace

EngineClient::EngineClient(EngineConfig config) : config_(std::move(config)) {}

EngineClient::~EngineClient() {
  if (child_) child_->End("quit", config_.quit_grace_ms);
}

void EngineClient::SetWakeup(std::function<void()> wakeup) {
  wakeup_ = std::move(wakeup);
  if (child_) child_->SetNotify(wakeup_);
}

std::string EngineClient::DisplayName() const {
  if (!config_.name.empty()) return config_.name;
  if (!id_name_.empty()) return id_name_;
  if (!program_.empty()) return program_.substr(program_.rfind('/') + 1);
  return config_.command;
}

bool EngineClient::Start() {
  if (state_ != State::kIdle) return false;
  state_ = State::kStarting;
  std::string error;
  auto words = runtime::SplitCommandLine(config_.command, &error);
  if (!words) {
    Fail("的命令行有误：" + config_.command);
    return false;
  }
  program_ = (*words)[0];
  child_ = std::make_unique<runtime::ChildProcess>();
  child_->SetNotify(wakeup_);
  runtime::ChildLimits limits;
  limits.coalesce_key = CoalesceKey;
  if (!child_->Start(*words, limits, &error)) {
    Fail("无法启动：" + error);
    return false;
  }
  started_ = Clock::now();
  SetDeadline(config_.handshake_ms);
  Send(config_.protocol == Protocol::kUcci ? "ucci" : "uci");
  return true;
}

std::vector<EngineEvent> EngineClient::Poll() {
  if (child_ && (Busy() || state_ == State::kReady)) {
    // Whether it had ended is read before its last lines are taken, so that they are all seen.
    bool ended = !child_->Running();
    for (const std::string& line : child_->TakeLines()) {
      HandleLine(line);  // between searches nothing is expected, and nothing is taken
      if (state_ == State::kFailed || state_ == State::kEnded) break;
    }
    if (ended && state_ != State::kFailed && state_ != State::kEnded)
      Fail("意外退出" + ExitDetail(child_->ExitStatus()));
    CheckDeadlines();
  }
  std::vector<EngineEvent> events;
  events.swap(events_);
  return events;
}

void EngineClient::HandleLine(const std::string& line) {
  if (state_ == State::kStarting) {
    HandleHandshake(line);
    return;
  }
  std::string_view first = FirstWord(line);
  if (first == "info")
    HandleInfo(line);
  else if (first == "bestmove" || first == "nobestmove")
    HandleBestMove(line);
}

void EngineClient::HandleHandshake(const std::string& line) {
  std::string_view first = FirstWord(line);
  if (awaiting_ready_) {
    if (first != "readyok") return;
    awaiting_ready_ = false;
    has_deadline_ = false;
    state_ = State::kReady;
    events_.push_back(Event(EngineEvent::Kind::kReady));
    if (waiting_) SendSearch();
    return;
  }
  if (first == "id") {
    std::string_view rest = std::string_view(line).substr(line.find("id") + 2);
    size_t name = rest.find("name ");
    if (name != std::string_view::npos &&
        rest.substr(0, name).find_first_not_of(" \t") == std::string_view::npos) {
      std::string_view value = rest.substr(name + 5);
      while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
      id_name_ = value;
    }
  } else if (first == "option") {
    if (option_lines_.size() < 1000) option_lines_.push_back(line);
  } else if (first == "uciok" && config_.protocol != Protocol::kUcci) {
    FinishHandshake(Protocol::kUci);
  } else if (first == "ucciok" && config_.protocol != Protocol::kUci) {
    FinishHandshake(Protocol::kUcci);
  }
}

void EngineClient::FinishHandshake(Protocol found) {
  protocol_ = found;
  for (const std::string& line : option_lines_)
    if (auto option = ParseOptionLine(line, found)) options_.push_back(std::move(*option));
  option_lines_.clear();
  numbering_ = found == Protocol::kUcci ? Numbering::kFromZero
                                        : config_.numbering.value_or(NumberingForName(id_name_));
  if (found == Protocol::kUci) {
    if (const EngineOption* variant = FindOption("UCI_Variant")) {
      bool offered =
          variant->default_value == "xiangqi" ||
          std::find(variant->vars.begin(), variant->vars.end(), "xiangqi") != variant->vars.end();
      if (!offered) {
        Fail("不会下象棋：它的 UCI_Variant 里没有 xiangqi");
        return;
      }
      SendOption(*variant, "xiangqi");
    }
  } else if (const EngineOption* millisec = FindOption("usemillisec")) {
    SendOption(*millisec, "true");
    millisec_ = true;
  }
  if (const EngineOption* multipv = FindOption("MultiPV"))
    sent_multipv_ = Count(multipv->default_value);
  for (const auto& [name, value] : config_.options)
    if (const EngineOption* option = FindOption(name)) SendOption(*option, value);
  awaiting_ready_ = true;
  SetDeadline(config_.handshake_ms);
  Send("isready");
}

void EngineClient::HandleInfo(const std::string& line) {
  if (!current_ || current_->superseded) return;
  auto info = ParseInfoLine(line, protocol_);
  if (!info || (info->pv.empty() && !info->score_cp && !info->mate)) return;
  EngineEvent event = Event(EngineEvent::Kind::kInfo);
  event.search = current_->id;
  analysis::AnalysisLine& out = event.line;
  out.multipv = info->multipv.value_or(1);
  out.depth = info->depth.value_or(0);
  out.seldepth = info->seldepth.value_or(0);
  int sign = current_->position.SideToMove() == engine::kRed ? 1 : -1;
  // Clamped so that turning the sign never overflows, whatever the engine printed.
  if (info->score_cp) out.score_cp = sign * std::clamp(*info->score_cp, -1000000, 1000000);
  if (info->mate) out.mate = sign * std::clamp(*info->mate, -10000, 10000);
  out.bound = info->bound;
  out.nodes = info->nodes.value_or(0);
  out.nps = info->nps.value_or(0);
  out.time_ms = info->time_ms.value_or(0);
  if (!out.nps && out.time_ms > 0 && out.nodes >= 0 && out.nodes < INT64_MAX / 1000)
    out.nps = out.nodes * 1000 / out.time_ms;
  engine::Position walk = current_->position;
  for (const std::string& text : info->pv) {
    auto move = ParseEngineMove(text, numbering_);
    if (!move || !walk.IsLegal(*move)) break;
    out.pv.push_back(*move);
    walk.MakeMove(*move);
  }
  events_.push_back(std::move(event));
}

void EngineClient::HandleBestMove(const std::string& line) {
  if (!current_) return;
  auto best = ParseBestMoveLine(line);
  if (!best) return;
  Search search = std::move(*current_);
  current_.reset();
  has_deadline_ = false;
  state_ = State::kReady;
  if (!search.superseded) {
    EngineEvent event = Event(EngineEvent::Kind::kBestMove);
    event.search = search.id;
    engine::Position& position = search.position;
    if (best->move.empty()) {
      if (!position.NoLegalMoves()) {
        Fail("没有给出着法，而这个局面有棋可走");
        return;
      }
    } else {
      auto move = ParseEngineMove(best->move, numbering_);
      if (!move || !position.IsLegal(*move)) {
        Fail("走了不合规则的着法 " + best->move.substr(0, 32));
        return;
      }
      event.best = move;
      position.MakeMove(*move);
      auto ponder = ParseEngineMove(best->ponder, numbering_);
      if (ponder && position.IsLegal(*ponder)) event.ponder = ponder;
    }
    events_.push_back(std::move(event));
  }
  if (waiting_) SendSearch();
}

void EngineClient::CheckDeadlines() {
  auto now = Clock::now();
  if (write_failed_ && now - write_failed_at_ >= std::chrono::seconds(1)) {
    Fail("不再读取命令");
    return;
  }
  if (!Busy()) return;
  if (state_ == State::kStarting && !awaiting_ready_ && config_.protocol == Protocol::kUnknown &&
      !sent_ucci_ && now - started_ >= std::chrono::milliseconds(config_.handshake_ms / 2)) {
    sent_ucci_ = true;  // no "uciok" yet: perhaps it speaks UCCI
    Send("ucci");
  }
  if (!has_deadline_ || now < deadline_) return;
  if (state_ == State::kStarting && awaiting_ready_) {
    Fail("没有回应：" + Within(config_.handshake_ms) + "没有回答 readyok");
  } else if (state_ == State::kStarting) {
    const char* expected = config_.protocol == Protocol::kUci    ? "uciok"
                           : config_.protocol == Protocol::kUcci ? "ucciok"
                                                                 : "uciok 或 ucciok";
    Fail("没有回应：" + Within(config_.handshake_ms) + "没有回答 " + expected);
  } else if (state_ == State::kStopping) {
    Fail("没有回应：停止后 " + Within(config_.answer_ms) + "没有给出着法");
  } else if (state_ == State::kSearching && current_) {
    Fail("超时：该用的时间过了两倍仍没有给出着法");
  }
}

uint64_t EngineClient::Go(const engine::Position& start, const std::vector<engine::Move>& moves,
                          const GoLimits& limits) {
  if (state_ == State::kIdle || state_ == State::kFailed || state_ == State::kEnded) return 0;
  Search search;
  search.start = start;
  search.position = start;
  for (engine::Move move : moves) {
    if (!search.position.IsLegal(move)) return 0;
    search.position.MakeMove(move);
  }
  search.moves = moves;
  search.limits = limits;
  search.id = next_search_++;
  waiting_ = std::move(search);
  if (state_ == State::kSearching && current_) {
    current_->superseded = true;
    Send("stop");
    state_ = State::kStopping;
    SetDeadline(config_.answer_ms);
  } else if (state_ == State::kStopping && current_) {
    current_->superseded = true;
  } else if (state_ == State::kReady) {
    SendSearch();
  }
  return waiting_ || current_ ? next_search_ - 1 : 0;
}

void EngineClient::SendSearch() {
  current_ = std::move(waiting_);
  waiting_.reset();
  const Search& search = *current_;
  if (protocol_ == Protocol::kUci) {
    if (const EngineOption* multipv = FindOption("MultiPV")) {
      int wanted = std::max(1, search.limits.multipv);
      if (multipv->max) wanted = static_cast<int>(std::min<long long>(wanted, *multipv->max));
      if (wanted != sent_multipv_) {
        SendOption(*multipv, std::to_string(wanted));
        sent_multipv_ = wanted;
      }
    }
  }
  std::string position = "position fen " + search.start.Fen();
  if (!search.moves.empty()) {
    position += " moves";
    for (engine::Move move : search.moves)
      position.append(" ").append(FormatEngineMove(move, numbering_));
  }
  state_ = State::kSearching;
  has_deadline_ = false;
  const GoLimits& limits = search.limits;
  bool red = search.position.SideToMove() == engine::kRed;
  if (!limits.infinite && (limits.red_ms > 0 || limits.black_ms > 0)) {
    int own =
        red ? limits.red_ms + limits.red_increment_ms : limits.black_ms + limits.black_increment_ms;
    SetDeadline(2 * own + 250);
  } else if (!limits.infinite && limits.movetime_ms > 0) {
    SetDeadline(2 * limits.movetime_ms + 250);
  }
  if (Send(position)) Send(GoCommand(search));
}

std::string EngineClient::GoCommand(const Search& search) const {
  const GoLimits& limits = search.limits;
  bool uci = protocol_ == Protocol::kUci;
  auto ms = [&](int value) {
    return std::to_string(uci || millisec_ ? value : (value + 999) / 1000);
  };
  if (limits.infinite) return uci ? "go infinite" : "go depth infinite";
  if (limits.red_ms > 0 || limits.black_ms > 0) {
    std::string go;
    if (uci) {
      go = "go wtime " + ms(limits.red_ms) + " btime " + ms(limits.black_ms) + " winc " +
           ms(limits.red_increment_ms) + " binc " + ms(limits.black_increment_ms);
    } else {
      bool red = search.position.SideToMove() == engine::kRed;
      go = "go time " + ms(red ? limits.red_ms : limits.black_ms);
      if (limits.moves_to_go <= 0)
        go += " increment " + ms(red ? limits.red_increment_ms : limits.black_increment_ms);
      go += " opptime " + ms(red ? limits.black_ms : limits.red_ms);
      if (limits.moves_to_go <= 0)
        go += " oppincrement " + ms(red ? limits.black_increment_ms : limits.red_increment_ms);
    }
    if (limits.moves_to_go > 0) go += " movestogo " + std::to_string(limits.moves_to_go);
    return go;
  }
  if (limits.movetime_ms > 0)
    return uci ? "go movetime " + ms(limits.movetime_ms)
               : "go time " + ms(limits.movetime_ms) + " movestogo 1";
  if (limits.depth > 0) return "go depth " + std::to_string(limits.depth);
  return uci ? "go infinite" : "go depth infinite";
}

void EngineClient::Stop() {
  waiting_.reset();
  if (state_ == State::kSearching && current_) {
    Send("stop");
    state_ = State::kStopping;
    SetDeadline(config_.answer_ms);
  }
}

void EngineClient::Quit() {
  if (state_ == State::kFailed || state_ == State::kEnded) return;
  state_ = State::kEnded;
  current_.reset();
  waiting_.reset();
  has_deadline_ = false;
  if (child_) child_->End("quit", config_.quit_grace_ms);
}

bool EngineClient::SetOption(const std::string& name, const std::string& value) {
  if (state_ != State::kReady) return false;
  const EngineOption* option = FindOption(name);
  if (!option) return false;
  SendOption(*option, value);
  return state_ == State::kReady;
}

void EngineClient::SendOption(const EngineOption& option, const std::string& value) {
  if (SameName(option.name, "MultiPV")) sent_multipv_ = Count(value);
  bool button = option.type == "button";
  if (protocol_ == Protocol::kUci)
    Send("setoption name " + option.name + (button ? "" : " value " + value));
  else
    Send("setoption " + option.name + (button ? "" : " " + value));
}

const EngineOption* EngineClient::FindOption(const std::string& name) const {
  for (const EngineOption& option : options_)
    if (SameName(option.name, name)) return &option;
  return nullptr;
}

bool EngineClient::Send(const std::string& line) {
  if (!child_ || state_ == State::kFailed || state_ == State::kEnded) return false;
  if (child_->WriteLine(line)) return true;
  // Mostly the engine has just died and its end is seen within a moment: Poll() then says so;
  // one that lives on without reading is told apart after a second.
  if (!write_failed_) {
    write_failed_ = true;
    write_failed_at_ = Clock::now();
  }
  return false;
}

void EngineClient::Fail(const std::string& what) {
  if (state_ == State::kFailed || state_ == State::kEnded) return;
  failure_ = "引擎 " + DisplayName() + " " + what;
  state_ = State::kFailed;
  current_.reset();
  waiting_.reset();
  has_deadline_ = false;
  if (child_) child_->End("quit", config_.quit_grace_ms);
  EngineEvent event = Event(EngineEvent::Kind::kFailed);
  event.message = failure_;
  events_.push_back(std::move(event));
}

void EngineClient::SetDeadline(int ms) {
  has_deadline_ = true;
  deadline_ = Clock::now() + std::chrono::milliseconds(ms);
}

bool EngineClient::Busy() const {
  return state_ == State::kStarting || state_ == State::kSearching || state_ == State::kStopping ||
         (state_ == State::kReady && write_failed_);
}

int EngineClient::MillisecondsToDeadline() const {
  if (!has_deadline_ && !write_failed_) return -1;
  auto next = has_deadline_ ? deadline_ : write_failed_at_ + std::chrono::seconds(1);
  if (has_deadline_ && write_failed_)
    next = std::min(next, write_failed_at_ + std::chrono::seconds(1));
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

bool EngineClient::WaitUntilEnded(int timeout_ms) {
  return !child_ || child_->WaitForExit(timeout_ms);
}

uint64_t EngineClient::DroppedLines() const {
  return child_ ? child_->DroppedLines() : 0;
}

}  // namespace outside
