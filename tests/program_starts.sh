#!/bin/sh
# The program comes up on the offscreen platform and keeps running until it is stopped: neither a
# runtime error nor a crash on the way to its main window, with or without a record to open.
program=$1
record=$2
for args in "" "$record"; do
  QT_QPA_PLATFORM=offscreen timeout 3 "$program" $args 2>err.txt
  status=$?
  if [ "$status" -ne 124 ] || grep -q "运行时出错" err.txt; then
    echo "xiangqi $args ended with status $status"; cat err.txt; exit 1
  fi
done
