#!/bin/sh
# A pretend engine for the engine client's tests. It speaks just enough UCI (or, as "ucci-only",
# UCCI) to get through the handshake and then misbehaves as its one argument says:
#   exit-at-once  ends before saying anything          mute     never answers, and its child
#   exit          ends when told to search                      keeps the pipes open
#   hang          never answers a search               deaf     ignores quit and SIGTERM too
#   illegal       answers with a move that breaks the rules
#   flood         prints 20000 info lines, then its move
#   flood-long    the same with a line of 13 moves, 100000 times (for the benchmark)
#   long          prints a line of 200000 bytes, then its move
#   ucci-only     a UCCI engine that ignores "uci"     good     answers h2e2
#   chess         offers UCI_Variant without xiangqi
mode=$1
case $mode in
  exit-at-once) exit 7 ;;
  mute) sleep 600; exit 0 ;;
  deaf) trap '' TERM ;;
esac
while read -r line; do
  case $line in
    uci)
      [ "$mode" = ucci-only ] && continue
      echo "id name Fake $mode"
      echo "option name Hash type spin default 16 min 1 max 64"
      [ "$mode" = chess ] && echo "option name UCI_Variant type combo default chess var chess"
      echo uciok ;;
    ucci)
      [ "$mode" = ucci-only ] || continue
      echo "id name Fake UCCI"
      echo "option usemillisec type check default false"
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
        long) head -c 200000 /dev/zero | tr '\0' x; echo; echo "bestmove h2e2" ;;
        *) echo "info depth 1 score cp 5 pv h2e2 h9g7"; echo "bestmove h2e2" ;;
      esac ;;
  esac
done
