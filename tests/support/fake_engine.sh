#!/bin/sh
# A pretend engine for the engine client's tests. It speaks just enough UCI (or UCCI) to get
# through the handshake and then misbehaves as its first argument says. A second argument names
# a file that gets the folder it runs in ("cwd /path") and then every line it is sent, so a test
# can check what the client said.
#   exit-at-once  ends before saying anything          mute     never answers, and its child
#   exit-200      the same with status 200                      keeps the pipes open
#   killed        killed by SIGKILL at once            deaf     ignores quit and SIGTERM too
#   exit          ends when told to search             hang     never answers a search
#   illegal       answers with a move that breaks the rules
#   flood         prints 20000 info lines, then its move
#   flood-long    the same with a line of 13 moves, 100000 times (for the benchmark)
#   chatter       prints 3000 lines that are not info, its move, and ends
#   long          prints a line of 200000 bytes, then its move
#   close-output  closes its output when told to search, and lives on
#   mated         says the side to move is mated already, and has no move
#   one-ranks     an unknown engine counting ranks 1..10: black's h10g8 (pv h10g8 h1g3)
#   one-ranks-quiet  the same, with only its move h8e8 (h7e7 counted from zero)
#   ucci-only     a UCCI engine that ignores "uci"     good     answers h2e2
#   ucci-chatty   a UCCI engine that complains about "uci" (in an "info string", as ours does)
#   ucci-strict   a UCCI engine that ends on any first line but "ucci" (as ElephantEye does)
#   ucci-seconds  a UCCI engine without usemillisec: it thinks the whole "go time" (in seconds)
#   chess         offers UCI_Variant without xiangqi
#   greeting      greets as it starts, then takes half a second before it reads (as
#                 Fairy-Stockfish may, which "ucci" would switch to UCCI)
mode=$1
log=${2:-/dev/null}
echo "cwd $(pwd)" > "$log"
case $mode in
  exit-at-once) exit 7 ;;
  exit-200) exit 200 ;;
  killed) kill -KILL $$ ;;
  mute) sleep 600; exit 0 ;;
  deaf) trap '' TERM ;;
  greeting) echo "Fake greeting 1.0 by nobody"; sleep 0.5 ;;
esac
first=yes
while read -r line; do
  echo "$line" >> "$log"
  if [ "$mode" = ucci-strict ] && [ $first = yes ] && [ "$line" != ucci ]; then exit 1; fi
  first=no
  case $line in
    uci)
      case $mode in
        ucci-*)
          [ "$mode" = ucci-chatty ] && echo "info string unknown command: uci"
          continue ;;
      esac
      echo "id name Fake $mode"
      echo "option name Hash type spin default 16 min 1 max 64"
      echo "option name Style type combo default Normal var Solid var Normal"
      echo "option name Clear Hash type button"
      echo "option name Book type string default <empty>"
      case $mode in
        chess) echo "option name UCI_Variant type combo default chess var chess" ;;
        *) echo "option name UCI_Variant type combo default xiangqi var xiangqi var chess" ;;
      esac
      echo uciok ;;
    ucci)
      case $mode in ucci-*) ;; *) continue ;; esac
      echo "id name Fake UCCI"
      [ "$mode" = ucci-seconds ] || echo "option usemillisec type check default false"
      echo ucciok ;;
    isready) echo readyok ;;
    quit) [ "$mode" = deaf ] || exit 0 ;;
    go*)
      case $mode in
        exit) exit 3 ;;
        hang|deaf) ;;
        illegal) echo "bestmove a0a5" ;;
        flood)
          i=0
          while [ $i -lt 20000 ]; do
            echo "info depth 5 score cp $i nodes $i pv h2e2 h9g7"
            i=$((i + 1))
          done
          echo "bestmove h2e2" ;;
        flood-long)
          i=0
          while [ $i -lt 100000 ]; do
            echo "info depth 20 seldepth 30 multipv 1 score cp $i nodes $i nps 1000000 time 99" \
                 "pv c3c4 b9c7 b0c2 g9e7 h0g2 h9f8 g3g4 a6a5 g2f4 c6c5 c4c5 e7c5 c2d4"
            i=$((i + 1))
          done
          echo "bestmove c3c4" ;;
        chatter)
          i=0
          while [ $i -lt 3000 ]; do echo "chatter $i"; i=$((i + 1)); done
          echo "bestmove h2e2"
          exit 0 ;;
        long) head -c 200000 /dev/zero | tr '\0' x; echo; echo "bestmove h2e2" ;;
        close-output) exec >&-; sleep 600 ;;
        mated) echo "info depth 0 score mate 0"; echo "bestmove (none)" ;;
        one-ranks) echo "info depth 1 score cp 5 pv h10g8 h1g3"; echo "bestmove h10g8" ;;
        one-ranks-quiet) echo "bestmove h8e8" ;;
        ucci-seconds)
          set -- $line
          # "go time T movestogo 1": T seconds, unless the client sent milliseconds by mistake.
          if [ "$3" -le 10 ]; then sleep "$3"; echo "bestmove h2e2"; else echo "bestmove a0a5"; fi ;;
        *) echo "info depth 1 score cp 5 pv h2e2 h9g7"; echo "bestmove h2e2" ;;
      esac ;;
  esac
done
