#include "game/outside/engine_client.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <filesystem>

#include "game/outside/option_settings.h"
#include "runtime/lifecycle.h"
#include "runtime/system/child_process.h"

namespace outside {

namespace {

// How long an engine whose output closed may take to end before it counts as still running.
constexpr std::chrono::milliseconds kExitGrace{250};

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

// The answers the client waits for: no flood of other lines may push them out of the queue.
bool IsAnswer(std::string_view line) {
  std::string_view first = FirstWord(line);
  return first == "bestmove" || first == "nobestmove" || first == "readyok" || first == "uciok" ||
         first == "ucciok";
}

// Whether `line` complains about "uci": a line that is none of UCI's answers and names the word
// ("unknown command: uci"; ours says "info string unknown command uci"). A greeting, which many
// UCI engines print before anything else, does not name it; and to some UCI engines "ucci" means
// switching protocols (Fairy-Stockfish's), so it must not follow a greeting.
bool ComplainsAboutUci(std::string_view line) {
  const std::string_view first = FirstWord(line);
  if (first == "id" || first == "option" || first == "uciok" || first == "ucciok") return false;
  auto letter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  for (size_t at = 0; at + 3 <= line.size(); ++at) {
    if (!SameOptionName(line.substr(at, 3), "uci")) continue;
    if ((at == 0 || !letter(line[at - 1])) && (at + 3 == line.size() || !letter(line[at + 3])))
      return true;
  }
  return false;
}

// The options the program sets itself: a player's value for them would break the client.
bool IsOwnOption(std::string_view name) {
  return SameOptionName(name, "UCI_Variant") || SameOptionName(name, "MultiPV") ||
         SameOptionName(name, "usemillisec");
}

std::string ExitDetail(const runtime::LineChannel& channel) {
  if (auto signal = channel.EndingSignal())
    return "（被信号 " + std::to_string(*signal) + " 终止）";
  auto status = channel.ExitStatus();
  if (!status || *status < 0) return {};
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

const char* NumberingWords(Numbering numbering) {
  return numbering == Numbering::kFromOne ? "1-10" : "0-9";
}

}  // namespace

EngineClient::EngineClient(EngineConfig config, ChannelMaker make_channel)
    : config_(std::move(config)), make_channel_(std::move(make_channel)) {
  if (!make_channel_) make_channel_ = [] { return std::make_unique<runtime::ChildProcess>(); };
}

EngineClient::~EngineClient() {
  if (channel_) channel_->End("quit", config_.quit_grace_ms);
}

void EngineClient::SetWakeup(std::function<void()> wakeup) {
  wakeup_ = std::move(wakeup);
  if (channel_) channel_->SetNotify(wakeup_);
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
  for (const std::string& notice : config_.notices) Notice(notice);
  std::string error;
  auto words = runtime::SplitCommandLine(config_.command, &error);
  if (!words) {
    Fail("的命令行有误：" + config_.command);
    return false;
  }
  program_ = (*words)[0];
  words_ = std::move(*words);
  if (auto found = runtime::FindProgram(words_[0], runtime::StartingFolder())) {
    words_[0] = *found;
    folder_ = std::filesystem::path(*found).parent_path().string();
  }
  return StartChannel(config_.protocol);
}

bool EngineClient::StartChannel(Protocol first) {
  asked_ = first;
  channel_ = make_channel_();
  channel_->SetNotify(wakeup_);
  runtime::ChildLimits limits;
  limits.coalesce_key = CoalesceKey;
  limits.keep = IsAnswer;
  limits.folder = folder_;
  std::string error;
  if (!channel_->Start(words_, limits, &error)) {
    Fail("无法启动：" + error);
    return false;
  }
  started_ = Clock::now();
  SetDeadline(config_.handshake_ms);
  sent_ucci_ = first == Protocol::kUcci;
  Send(first == Protocol::kUcci ? "ucci" : "uci");
  return true;
}

bool EngineClient::Active() const {
  return state_ != State::kIdle && state_ != State::kFailed && state_ != State::kEnded;
}

std::vector<EngineEvent> EngineClient::Poll() {
  if (channel_ && Active()) {
    // How it stands is read before its last lines are taken, so that they are all seen.
    bool ended = !channel_->Running();
    bool output_closed = channel_->OutputClosed();
    for (const std::string& line : channel_->TakeLines()) {
      HandleLine(line);  // between searches nothing is expected, and nothing is taken
      if (!Active()) break;
    }
    if (Active()) CheckEnd(ended, output_closed);
    CheckDeadlines();
  }
  std::vector<EngineEvent> events;
  events.swap(events_);
  return events;
}

void EngineClient::CheckEnd(bool ended, bool output_closed) {
  if (ended) {
    // An engine that only knows UCCI may end at any other first line (ElephantEye does): one
    // that ended before it said anything of UCI gets its "ucci" in a new process.
    if (state_ == State::kStarting && asked_ == Protocol::kUnknown && !restarted_ &&
        id_name_.empty() && option_lines_.empty()) {
      restarted_ = true;
      write_failed_ = false;
      output_closed_ = false;
      StartChannel(Protocol::kUcci);
      return;
    }
    Fail("意外退出" + ExitDetail(*channel_));
  } else if (output_closed && !output_closed_) {
    output_closed_ = true;
    output_closed_at_ = Clock::now();
  }
}

void EngineClient::HandleLine(const std::string& line) {
  if (state_ == State::kStarting) {
    HandleHandshake(line);
    return;
  }
  std::string_view first = FirstWord(line);
  if (state_ == State::kPreparing) {
    if (first != "readyok") return;
    has_deadline_ = false;
    state_ = State::kReady;
    if (waiting_) SendSearch();
  } else if (first == "info") {
    HandleInfo(line);
  } else if (first == "bestmove" || first == "nobestmove") {
    HandleBestMove(line);
  }
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
  if (asked_ == Protocol::kUnknown && !sent_ucci_ && ComplainsAboutUci(line)) {
    sent_ucci_ = true;  // it does not know "uci": perhaps it speaks UCCI
    Send("ucci");
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
  } else if (first == "uciok" && asked_ != Protocol::kUcci) {
    FinishHandshake(Protocol::kUci);
  } else if (first == "ucciok" && asked_ != Protocol::kUci) {
    FinishHandshake(Protocol::kUcci);
  }
}

void EngineClient::FinishHandshake(Protocol found) {
  protocol_ = found;
  for (const std::string& line : option_lines_)
    if (auto option = ParseOptionLine(line, found)) options_.push_back(std::move(*option));
  option_lines_.clear();
  if (found == Protocol::kUcci) {
    numbering_ = Numbering::kFromZero;  // the protocol says so
    numbering_confirmed_ = numbering_trusted_ = true;
  } else {
    numbering_trusted_ = config_.numbering.has_value();
    numbering_ = config_.numbering.value_or(NumberingForName(id_name_));
  }
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
  for (const auto& [name, value] : config_.options) {
    const EngineOption* option = FindOption(name);
    if (!option) continue;
    if (IsOwnOption(option->name))
      Notice("选项 " + option->name + " 由本程序设定，不用设置里的值 " + value);
    else
      SendSettingOption(*option, value);
  }
  awaiting_ready_ = true;
  SetDeadline(config_.handshake_ms);
  Send("isready");
}

void EngineClient::HandleInfo(const std::string& line) {
  if (!current_ || current_->superseded) return;
  auto info = ParseInfoLine(line, protocol_);
  if (!info || (info->pv.empty() && !info->score_cp && !info->mate)) return;
  LearnNumbering(*current_, info->pv);
  EngineEvent event = Event(EngineEvent::Kind::kInfo);
  event.search = current_->id;
  analysis::AnalysisLine& out = event.line;
  out.multipv = info->multipv.value_or(1);
  out.depth = info->depth.value_or(0);
  out.seldepth = info->seldepth.value_or(0);
  int sign = current_->position.SideToMove() == engine::kRed ? 1 : -1;
  // Clamped so that turning the sign never overflows, whatever the engine printed.
  if (info->score_cp) out.score_cp = sign * std::clamp(*info->score_cp, -1000000, 1000000);
  if (info->mate) {
    out.mate = sign * std::clamp(*info->mate, -10000, 10000);
    if (*info->mate == 0) out.mated = current_->position.SideToMove();
  }
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

void EngineClient::LearnNumbering(const Search& search, const std::vector<std::string>& moves) {
  if (protocol_ != Protocol::kUci || numbering_confirmed_ || moves.empty()) return;
  std::optional<Numbering> shown;
  if (search.sent_without_moves) {
    shown = NumberingOfLine(search.position, moves);
  } else {
    // The engine may be searching another position than ours (sent in a wrong numbering): only
    // a square that exists in one numbering alone tells.
    for (const std::string& move : moves)
      if ((shown = NumberingShownBy(move))) break;
  }
  if (!shown) return;
  numbering_confirmed_ = true;
  if (*shown == numbering_) return;
  numbering_ = *shown;
  Notice(std::string("横线编号是 ") + NumberingWords(numbering_) + "（从它的着法看出），已改用");
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
      std::vector<std::string> said = {best->move};
      if (!best->ponder.empty()) said.push_back(best->ponder);
      LearnNumbering(search, said);
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
  if (output_closed_ && now - output_closed_at_ >= kExitGrace) {
    Fail("关闭了输出，却还在运行");
    return;
  }
  if (!Busy()) return;
  if (state_ == State::kStarting && !awaiting_ready_ && asked_ == Protocol::kUnknown &&
      !sent_ucci_ && protocol_ == Protocol::kUnknown &&
      now - started_ >= std::chrono::milliseconds(config_.handshake_ms / 2)) {
    sent_ucci_ = true;  // no "uciok" yet: perhaps it speaks UCCI
    Send("ucci");
  }
  if (!has_deadline_ || now < deadline_) return;
  if ((state_ == State::kStarting && awaiting_ready_) || state_ == State::kPreparing) {
    Fail("没有回应：" + Within(config_.handshake_ms) + "没有回答 readyok");
  } else if (state_ == State::kStarting) {
    const char* expected = asked_ == Protocol::kUci    ? "uciok"
                           : asked_ == Protocol::kUcci ? "ucciok"
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
  if (!Active()) return 0;
  Search search;
  search.start = start;
  search.position = start;
  if (engine::MakeLegalMoves(search.position, moves) != moves.size()) return 0;
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

void EngineClient::NewGame() {
  new_game_ = true;
}

void EngineClient::SendSearch() {
  if (protocol_ == Protocol::kUci && new_game_) {
    // The search waits until the engine has made itself ready for the new game.
    new_game_ = false;
    state_ = State::kPreparing;
    SetDeadline(config_.handshake_ms);
    if (Send("ucinewgame")) Send("isready");
    return;
  }
  new_game_ = false;  // UCCI has no word for it
  current_ = std::move(waiting_);
  waiting_.reset();
  Search& search = *current_;
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
  std::string position = PositionCommand(search);
  GoText go = GoCommand(search);
  state_ = State::kSearching;
  has_deadline_ = false;
  // Twice the time the engine was told it has, and a little for the pipes.
  if (go.given_ms > 0) SetDeadline(2 * go.given_ms + 250);
  if (Send(position)) Send(go.line);
}

std::string EngineClient::PositionCommand(Search& search) const {
  search.sent_without_moves =
      search.moves.empty() ||
      (protocol_ == Protocol::kUci && !numbering_confirmed_ && !numbering_trusted_);
  if (search.sent_without_moves) return "position fen " + search.position.Fen();
  std::string position = "position fen " + search.start.Fen() + " moves";
  for (engine::Move move : search.moves)
    position.append(" ").append(FormatEngineMove(move, numbering_));
  return position;
}

EngineClient::GoText EngineClient::GoCommand(const Search& search) const {
  const GoLimits& limits = search.limits;
  const bool uci = protocol_ == Protocol::kUci;
  const bool red = search.position.SideToMove() == engine::kRed;
  // UCCI counts in seconds unless the engine took "usemillisec": a time per move is rounded up
  // (it must get some), what is left on a clock down (never more than it has).
  const int64_t unit = uci || millisec_ ? 1 : 1000;
  auto up = [&](int64_t ms) { return unit == 1 ? ms : std::max<int64_t>(1, (ms + 999) / 1000); };
  auto down = [&](int64_t ms, int64_t least) {
    return unit == 1 ? ms : std::max<int64_t>(least, ms / 1000);
  };
  auto text = [](int64_t value) { return std::to_string(value); };
  if (limits.infinite) return {uci ? "go infinite" : "go depth infinite", 0};
  if (limits.red_ms > 0 || limits.black_ms > 0) {
    const int64_t own = down(red ? limits.red_ms : limits.black_ms, 1);
    const int64_t opponent = down(red ? limits.black_ms : limits.red_ms, 1);
    const int64_t own_increment =
        down(red ? limits.red_increment_ms : limits.black_increment_ms, 0);
    const int64_t opponent_increment =
        down(red ? limits.black_increment_ms : limits.red_increment_ms, 0);
    std::string go;
    if (uci) {
      go = "go wtime " + text(limits.red_ms) + " btime " + text(limits.black_ms) + " winc " +
           text(limits.red_increment_ms) + " binc " + text(limits.black_increment_ms);
    } else {
      go = "go time " + text(own);
      if (limits.moves_to_go <= 0) go += " increment " + text(own_increment);
      go += " opptime " + text(opponent);
      if (limits.moves_to_go <= 0) go += " oppincrement " + text(opponent_increment);
    }
    if (limits.moves_to_go > 0) go += " movestogo " + std::to_string(limits.moves_to_go);
    return {go, (own + own_increment) * unit};
  }
  if (limits.movetime_ms > 0) {
    const int64_t given = up(limits.movetime_ms);
    return {uci ? "go movetime " + text(given) : "go time " + text(given) + " movestogo 1",
            given * unit};
  }
  if (limits.depth > 0) return {"go depth " + std::to_string(limits.depth), 0};
  return {uci ? "go infinite" : "go depth infinite", 0};
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
  if (!Active() && state_ != State::kIdle) return;
  state_ = State::kEnded;
  current_.reset();
  waiting_.reset();
  has_deadline_ = false;
  if (channel_) channel_->End("quit", config_.quit_grace_ms);
}

bool EngineClient::SetOption(const std::string& name, const std::string& value) {
  if (state_ != State::kReady) return false;
  const EngineOption* option = FindOption(name);
  if (!option) return false;
  if (IsOwnOption(option->name)) {
    Notice("选项 " + option->name + " 由本程序设定");
    return false;
  }
  return SendSettingOption(*option, value) && state_ == State::kReady;
}

bool EngineClient::SendSettingOption(const EngineOption& option, const std::string& value) {
  std::string word;
  std::optional<std::string> fitted = FitOptionValue(option, value, &word, OutOfRange::kLeftOut);
  if (!word.empty()) Notice(word);
  if (!fitted) return false;
  SendOption(option, *fitted);
  return true;
}

void EngineClient::SendOption(const EngineOption& option, const std::string& value) {
  if (SameOptionName(option.name, "MultiPV")) sent_multipv_ = Count(value);
  bool button = option.type == "button";
  if (protocol_ == Protocol::kUci)
    Send("setoption name " + option.name + (button ? "" : " value " + value));
  else
    Send("setoption " + option.name + (button ? "" : " " + value));
}

const EngineOption* EngineClient::FindOption(const std::string& name) const {
  for (const EngineOption& option : options_)
    if (SameOptionName(option.name, name)) return &option;
  return nullptr;
}

bool EngineClient::Send(const std::string& line) {
  if (!channel_ || !Active()) return false;
  // One line is one command: nothing the engine said (an option's name) may add another.
  if (HasControlCharacter(line)) return false;
  if (channel_->WriteLine(line)) return true;
  // Mostly the engine has just died and its end is seen within a moment: Poll() then says so;
  // one that lives on without reading is told apart after a second.
  if (!write_failed_) {
    write_failed_ = true;
    write_failed_at_ = Clock::now();
  }
  return false;
}

void EngineClient::Notice(const std::string& what) {
  EngineEvent event = Event(EngineEvent::Kind::kNotice);
  event.message = "引擎 " + DisplayName() + "：" + what + "。";
  events_.push_back(std::move(event));
}

void EngineClient::Fail(const std::string& what) {
  if (state_ == State::kFailed || state_ == State::kEnded) return;
  failure_ = "引擎 " + DisplayName() + " " + what;
  state_ = State::kFailed;
  current_.reset();
  waiting_.reset();
  has_deadline_ = false;
  if (channel_) channel_->End("quit", config_.quit_grace_ms);
  EngineEvent event = Event(EngineEvent::Kind::kFailed);
  event.message = failure_;
  events_.push_back(std::move(event));
}

void EngineClient::SetDeadline(int64_t ms) {
  has_deadline_ = true;
  deadline_ = Clock::now() + std::chrono::milliseconds(ms);
}

bool EngineClient::Busy() const {
  return state_ == State::kStarting || state_ == State::kPreparing || state_ == State::kSearching ||
         state_ == State::kStopping ||
         (state_ == State::kReady && (write_failed_ || output_closed_));
}

int EngineClient::MillisecondsToDeadline() const {
  std::optional<Clock::time_point> next;
  auto consider = [&](Clock::time_point when) { next = next ? std::min(*next, when) : when; };
  if (has_deadline_) consider(deadline_);
  if (write_failed_) consider(write_failed_at_ + std::chrono::seconds(1));
  if (output_closed_) consider(output_closed_at_ + kExitGrace);
  if (!next) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*next - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

bool EngineClient::WaitUntilEnded(int timeout_ms) {
  return !channel_ || channel_->WaitForExit(timeout_ms);
}

uint64_t EngineClient::DroppedLines() const {
  return channel_ ? channel_->DroppedLines() : 0;
}

}  // namespace outside
