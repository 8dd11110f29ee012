#!/usr/bin/env bash
# Seeds deliberate faults into the product one at a time and records which tests catch each, to
# show that the test suite finds real faults (and, after it changes, that it still does).
#
#   scripts/seed_faults.sh [--check] [BUILD_DIR] [RESULTS_FILE] [FAULT_ID...]
#
# For each row of FAULTS below: replaces the text OLD with NEW on line LINE of FILE (exactly one
# match, else the row is reported as stale), builds vandrel_tests incrementally in BUILD_DIR
# (default build/release, already configured), runs the test subset of the row's AREA with a
# timeout, and restores the file (from a copy under BUILD_DIR/faults). A row is "caught" when a
# test fails or the run dies, "missed" when the subset passes. RESULTS_FILE (default
# BUILD_DIR/faults/results.tsv) gets one tab-separated line a fault: id, file:line, the change,
# the result and the failing tests. --check only verifies that every row still applies. The tree
# is left as found: the script stops if FILE has changes of its own, and restores on exit.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CHECK_ONLY=0
if [[ ${1:-} == --check ]]; then
  CHECK_ONLY=1
  shift
fi
BUILD="$(realpath -m "${1:-$ROOT/build/release}")"
RESULTS="${2:-$BUILD/faults/results.tsv}"
shift $(($# > 2 ? 2 : $#))
ONLY=("$@")
TEST_TIMEOUT="${TEST_TIMEOUT:-300}"

CORE='Tree*:Stream*:Instance*:Numbers*:Catalogue*:Factory*:Component.*:Context*:RootTest*'
CORE+=':EditorSource*:ShaderFile*:Checksum*:WholeFile*:Plugin*:Registration*:Threads*'
CORE+=':Custom*:ComponentFile*:ReentrantShading*:LanguageFile*'
COMP='Audio*:Birdshot*:Cellular*:Crystalize*:NeighbourhoodCache*:ColorEffects*:Converters*'
COMP+=':Custom*:ComponentFile*:Generators*:Fractals*:Gauss*:Noise2D*:Noise3D*:Shuffle*'
COMP+=':Guard*:HostCallGuard*:Illumination*:LitComponent*:LowLevel*:MediaCache*:Patterns*'
COMP+=':ShapePatterns*:CatmullRom*:CellHash*:Easing*:Hsv*:NoiseSelect*:Octaves*:Splines*'
COMP+=':HostTextures*:PreviewPicture*:Textures*:TreeChain*:UVVectors*:Vectors3D*:WavFile*'
COMP+=':Catalogue*:Factory*:Component.*:EveryClass*:Plugin*'
IFACE='Interface*:Plugin*:Registration*:ColorSteps*:FileSlotFilters*'
EDITOR='GraphModel*:InputMenu*:FallbackRoute*:UndoHistory*:DeepUndo*:Arrange*:WireHit*'
EDITOR+=':ViewZoom*:ComponentSearch*:EditorSession*:CustomFromSubtree*:EditorSettings*'
EDITOR+=':ShaderList*:NewShader*:ShaderFileNames*:Canvas*:PreviewEdits*:Journey*:Ergonomics*'
EDITOR+=':EditorForm*:MainForm*:PropertyBar*'

# id | file | line | old text | new text | area
FAULTS=$(
  cat <<'EOF'
c01|core/stream_codec.cpp|36|c <= 122|c < 122|CORE
c02|core/stream_codec.cpp|26|part <= 2|part <= 1|CORE
c03|core/stream_codec.cpp|94|static_cast<int16_t>(static_cast<uint16_t>(*bits))|static_cast<uint16_t>(*bits)|CORE
c04|core/stream_codec.cpp|58|a * 84 + b|a * 83 + b|CORE
c05|core/stream_sections.cpp|13|start = hash + 1;|start = hash;|CORE
c06|core/stream_sections.cpp|40|if (i > 0)|if (i > 1)|CORE
c07|core/tree.cpp|674|in.Value < i|in.Value <= i|CORE
c08|core/tree.cpp|671|build.constant[i] = 0;|(void)0;|CORE
c09|core/tree.cpp|638|Entries[i].get() == RootEntry|false|CORE
c10|core/tree.cpp|765|e->Distance != kUnreachable|true|CORE
c11|core/tree.cpp|794|!SameBits(own[k], base[k])|true|CORE
c12|core/tree.cpp|812|first + k;|first + k + 1;|CORE
c13|core/tree.cpp|472|a->Distance > b->Distance|a->Distance < b->Distance|CORE
c14|core/tree.cpp|522|(item.mask & mask) != 0|(item.mask \| mask) != 0|CORE
c15|core/tree.cpp|542|out[k] = record[k]|(void)record[k]|CORE
c16|core/tree.cpp|567|if (!definition.Used) continue;|(void)0;|CORE
c17|core/tree.cpp|714| \|\| p.instruction.Value == p.consumer||CORE
c18|core/tree.cpp|407|mask \|= kMaskColor|mask \|= kMaskTransparency|CORE
c19|core/instance.cpp|269| \|\| r.TriggersPosition != position||CORE
c20|core/instance.cpp|281|3 * sizeof(float)) == 0|3 * sizeof(float)) != 0|CORE
c21|core/instance.cpp|42|(u - base[0]) * 0.001|(u - base[0]) * 0.01|CORE
c22|core/numbers.cpp|8|std::fesetround(FE_TONEAREST)|std::fesetround(FE_DOWNWARD)|CORE
m01|components/convert/converters.cpp|400|std::clamp(c.y, 0.0, 1.0)|c.y|COMP
m02|components/convert/converters.cpp|412|/ 10000 * 97|/ 10000 * 96|COMP
m03|components/effects/color_effects.cpp|16|return 0.0;|return v;|COMP
m04|components/effects/color_effects.cpp|92|hsv.s += by.y;|hsv.s += by.z;|COMP
m05|components/generators/cellular.cpp|16|return 1.0;|return x;|COMP
m06|components/generators/generators_1d.cpp|119|x < minimum ? minimum|x > minimum ? minimum|COMP
m07|components/generators/generators_1d.cpp|114|Num(0)|Num(1)|COMP
m08|components/generators/generators_1d.cpp|113|Enum(2)|GetEnumValue(2)|COMP
m09|components/generators/splines.cpp|37|i - 1 + k|i + k|COMP
m10|components/math/vectors_colors.cpp|20|negate == 1|negate == 0|COMP
m11|components/math/vectors_colors.cpp|39|a.z * b.z|a.z * b.y|COMP
m12|components/math/vectors_colors.cpp|34|1.0 / sum : 1.0|1.0 / sum : 0.0|COMP
m13|components/math/low_level.cpp|59|1.0 / x : 0.0|1.0 / x : 1.0|COMP
m14|components/math/uv.cpp|24|d.u * angle_.cos - d.v|d.u * angle_.cos + d.v|COMP
m15|components/math/uv.cpp|17|a.v * b.v|a.v * b.u|COMP
m16|components/math/uv.cpp|23|Num(2)|ConstantAddress(2)[0]|COMP
m17|components/math/uv.h|58|{"Angle", kNumerical, {0}}|{"Angle", kNumerical, {1}}|COMP
m18|components/math/low_level.h|64|{"A", kNumerical, {1}}|{"A", kNumerical, {0}}|COMP
m19|components/patterns/shape_patterns.cpp|209|n > 8 ? 8 : n|n > 7 ? 7 : n|COMP
m20|components/custom/custom_components.cpp|284|largest + 1|largest|COMP
i01|interface/interface_model.cpp|88|return minimum;|return value;|IFACE
i02|interface/interface_model.cpp|86|p + 2|p + 1|IFACE
i03|interface/interface_model.cpp|125|--usage.Count == 0|--usage.Count == 1|IFACE
i04|interface/interface_model.cpp|47|{1, 10000, 1, 1}|{0, 10000, 1, 1}|IFACE
i05|interface/interface_model.cpp|110|usage.Kind == kind|usage.Kind != kind|IFACE
i06|interface/interface_string.cpp|98|*columns > 1|*columns > 2|IFACE
i07|interface/interface_string.cpp|87|1, 3, 5, 7|1, 3, 7, 5|IFACE
i08|interface/interface_string.cpp|38|c < 32|c < 31|IFACE
e01|editor/model/undo_history.cpp|19|states_[at_] == state|states_[at_] != state|EDITOR
e02|editor/model/undo_history.cpp|45|--at_;|(void)at_;|EDITOR
e03|editor/model/graph_model_selection.cpp|14|c.get() == container|c.get() != container|EDITOR
e04|editor/model/graph_model_selection.cpp|48|!container->Selected|container->Selected|EDITOR
e05|editor/model/graph_model_selection.cpp|66|Changed();|(void)0;|EDITOR
e06|editor/model/graph_model_selection.cpp|90|RerouteAll();|(void)0;|EDITOR
e07|editor/model/graph_model_selection.cpp|79|RerouteAll();|(void)0;|EDITOR
e08|editor/model/view_zoom.cpp|10|std::clamp(scale, kZoomMin, kZoomMax)|scale|EDITOR
e09|editor/model/view_zoom.cpp|22|canvas.x / Scale|canvas.y / Scale|EDITOR
EOF
)

# Replaces OLD by NEW on line LINE of FILE; fails unless OLD occurs exactly once there.
apply_fault() {
  python3 - "$1" "$2" "$3" "$4" <<'PY'
import sys
path, line, old, new = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
with open(path, encoding="utf-8") as f:
    lines = f.readlines()
if line > len(lines) or lines[line - 1].count(old) != 1:
    sys.exit(1)
lines[line - 1] = lines[line - 1].replace(old, new)
with open(path, "w", encoding="utf-8") as f:
    f.writelines(lines)
PY
}

SAVED=""
restore() {
  if [[ -n $SAVED ]]; then
    cp "$BUILD/faults/unchanged" "$ROOT/$SAVED"  # a fresh time stamp: the next build recompiles
    SAVED=""
  fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

mkdir -p "$BUILD/faults"
[[ $CHECK_ONLY == 1 ]] || : >"$RESULTS"
stale=0
while IFS= read -r row; do
  [[ -z $row ]] && continue
  # A '\|' in a field stands for a '|' of the code.
  row="${row//\\|/$'\x01'}"
  IFS='|' read -r id file line old new area <<<"$row"
  old="${old//$'\x01'/|}"
  new="${new//$'\x01'/|}"
  if ((${#ONLY[@]} > 0)) && [[ " ${ONLY[*]} " != *" $id "* ]]; then continue; fi
  change="${old} -> ${new}"
  if ! git -C "$ROOT" diff --quiet -- "$file"; then
    echo "$file has changes of its own; stopping" >&2
    exit 1
  fi
  if [[ $CHECK_ONLY == 1 ]]; then
    cp "$ROOT/$file" "$BUILD/faults/scratch"
    apply_fault "$BUILD/faults/scratch" "$line" "$old" "$new" ||
      { echo "$id: stale row (the text is not once on $file:$line)" >&2; stale=1; }
    continue
  fi
  cp "$ROOT/$file" "$BUILD/faults/unchanged"
  SAVED="$file"
  if ! apply_fault "$ROOT/$file" "$line" "$old" "$new"; then
    echo "$id: stale row (the text is not once on $file:$line)" >&2
    stale=1
    restore
    continue
  fi
  start=$SECONDS
  if ! cmake --build "$BUILD" --target vandrel_tests >"$BUILD/faults/build_$id.log" 2>&1; then
    result="no build"
    failed=""
  else
    filter="${!area}"
    QT_QPA_PLATFORM=offscreen timeout "$TEST_TIMEOUT" "$BUILD/bin/vandrel_tests" \
      --gtest_filter="$filter" --gtest_brief=1 >"$BUILD/faults/test_$id.log" 2>&1
    rc=$?
    failed=$(grep -oE '^\[  FAILED  \] [A-Za-z0-9_./]+' "$BUILD/faults/test_$id.log" |
      awk '{print $4}' | sort -u | paste -sd, -)
    if ((rc == 0)); then
      result="missed"
    elif [[ -n $failed ]]; then
      result="caught"
    else
      result="caught (run died, rc $rc)"
      failed=$(grep -oE '^\[ RUN      \] [A-Za-z0-9_./]+' "$BUILD/faults/test_$id.log" |
        tail -1 | awk '{print $4}')
    fi
  fi
  restore
  printf '%s\t%s:%s\t%s\t%s\t%s\n' "$id" "$file" "$line" "$change" "$result" "$failed" \
    >>"$RESULTS"
  echo "$id $file:$line $result ($((SECONDS - start)) s) $failed"
done <<<"$FAULTS"
if [[ $CHECK_ONLY == 0 ]]; then
  # Back to the unchanged product (mostly cache hits).
  cmake --build "$BUILD" --target vandrel_tests >"$BUILD/faults/build_restore.log" 2>&1
fi
exit $stale
