#!/usr/bin/env bash
# scripts/check-layers.sh on two scratch trees: one whose includes all run downward, and one with
# an offence of each kind (both include forms, uncommon extensions, the ui rule, the simulator
# and the command-line tools). The planted tree's report must be exactly the expected lines.
# Usage: check-layers-test.sh PATH/TO/check-layers.sh
set -euo pipefail
script=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

put() {  # put FILE LINE...: a source file with the given lines
  mkdir -p "$(dirname "$tree/$1")"
  local file=$1; shift
  printf '%s\n' "$@" >"$tree/$file"
}
fail() { echo "check-layers-test: $1"; exit 1; }

# ---- a tree that keeps every rule ----
put clean/core/base/Clock.h '#pragma once' '#include <cstdint>'
put clean/core/serial/Port.cpp '#include "core/serial/Port.h"' '#include <core/base/Clock.h>'
put clean/core/runner/Run.inl '#include "core/network/Scan.h"' '#include "core/program/Line.h"'
put clean/ui/serial/Log.cpp '#include <QWidget>' '#include "core/app/SystemState.h"' \
  '#include "core/base/Clock.h"' '#include "ui/app/ModalDialog.h"'
put clean/ui/tools/Tool.hpp '#include "core/network/Scan.h"' '#include "ui/serial/Log.h"' \
  '#include "core/app/Core.h"'
put clean/ui/app/Main.cpp '#include "ui/tools/Tool.hpp"' '#include "core/app/StartupReset.h"'
put clean/ui/main.cpp '#include "ui/runner/Run.h"' '#include "core/app/Core.h"'
put clean/sim/Sim.cc '#include "sim/Net.h"' '#include <vector>'
put clean/cli/Tool.cpp '#include "core/app/Core.h"' '#include "simline/Line.h"'
put clean/simline/Line.cpp '#include "sim/Simulator.h"' '#include "simline/Line.h"'
out=$("$script" "$tree/clean") || fail "the clean tree fails: $out"
[ "$out" = "layer check: every include runs downward" ] || fail "clean tree: $out"

# ---- a tree with one offence of each kind ----
put bad/core/serial/Up.h '#include <core/runner/Runner.h>'
put bad/core/network/Side.ipp '  #  include "core/program/Line.h"'
put bad/core/base/Text.hpp '#include <QString>' '#include <QList>' '#include <string>'
put bad/core/base/Local.cc '#include "Clock.h"'
put bad/core/base/Win.cpp '#include "ui/app/Main.h"'
put bad/core/gadgets/G.h '#pragma once'
put bad/ui/serial/Log.cxx '#include "core/program/Line.h"' '#include "core/app/LoadProgramFile.h"' \
  '#include "core/app/Core.h"' '#include "ui/tools/Tool.h"' '#include "sim/Net.h"'
put bad/ui/editor/Edit.h '#include <core/program/Line.h>' '#include "ui/network/Cfg.h"'
put bad/ui/widgets/W.h '#pragma once'
put bad/sim/Sim.tpp '#include <core/base/Clock.h>'
put bad/cli/Def.c++ '#include <ui/app/Main.h>'
put bad/simline/Line.cpp '#include "core/serial/LineSession.h"'
expected='layer check: core/base/Local.cc includes "Clock.h": core includes say where they point (core/...)
layer check: core/base/Text.hpp includes Qt: the core is standard C++ and POSIX only
layer check: core/base/Win.cpp includes ui/app/Main.h: the core includes only the core
layer check: core/gadgets/G.h: core folder '"'gadgets'"' has no layer
layer check: core/network/Side.ipp (network) includes core/program/Line.h (program): not a layer below
layer check: core/serial/Up.h (serial) includes core/runner/Runner.h (runner): not a layer below
layer check: ui/editor/Edit.h (editor) includes ui/network/Cfg.h (network): a window includes ui/app and the windows of the layers below its own
layer check: ui/serial/Log.cxx (serial shows core/serial) includes core/program/Line.h (program): not a layer below
layer check: ui/serial/Log.cxx includes core/app/LoadProgramFile.h: of core/app a window includes only Core.h and SystemState.h
layer check: ui/serial/Log.cxx (serial) includes ui/tools/Tool.h (tools): a window includes ui/app and the windows of the layers below its own
layer check: ui/serial/Log.cxx includes sim/Net.h: the windows build on the core alone
layer check: ui/widgets/W.h: ui folder '"'widgets'"' shows no core folder
layer check: sim/Sim.tpp includes core/base/Clock.h: the simulator shares no code with the host
layer check: cli/Def.c++ includes ui/app/Main.h: the command-line tools build on the core alone
layer check: simline/Line.cpp includes core/serial/LineSession.h: the simulated line knows nothing of the host'
if out=$("$script" "$tree/bad"); then fail "the planted tree passes"; fi
if [ "$out" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$out") || true
  fail "the planted tree's report differs (- expected, + reported)"
fi
echo "check-layers-test: both trees reported as expected"
