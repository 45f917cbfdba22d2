#!/usr/bin/env bash
# Mutation testing: applies each mutation of tests/mutations.txt, one at a time, to a copy of the
# tree, rebuilds the copy (incrementally, in one build folder kept between runs) and runs the
# suite without the checks in a browser and a spreadsheet program; prints the mutations the suite
# survived and the score.
#
#   scripts/mutate.sh                 every mutation
#   scripts/mutate.sh NAME...         only these
#   scripts/mutate.sh --check         only checks that each mutation still applies to the sources
#
# BRISOLT_MUTATE_DIR is the copy's place (default: ~/.cache/brisolt/mutate); the first run
# configures and builds it whole, later runs only what a mutation touches. BRISOLT_MUTATE_GUI=OFF
# leaves the window and its tests out (faster; the window's mutations then survive).
# Each mutation costs a rebuild of one file and the programs that link it, and a run of the
# suite that stops at its first failure: about a minute on two cores.
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"

source_dir=$(cd "$(dirname "$0")/.." && pwd)
list="$source_dir/tests/mutations.txt"
copy=${BRISOLT_MUTATE_DIR:-$HOME/.cache/brisolt/mutate}
gui=${BRISOLT_MUTATE_GUI:-ON}
check_only=0
if [ "${1:-}" = "--check" ]; then
  check_only=1
  shift
fi

# The entries as "name<TAB>path<TAB>from<TAB>to" lines, each checked to apply exactly once.
entries=$(python3 - "$list" "$source_dir" "$@" <<'EOF'
import sys
path, root, wanted = sys.argv[1], sys.argv[2], set(sys.argv[3:])
entries, current, bad = [], None, []
for number, line in enumerate(open(path, encoding="utf-8"), 1):
    line = line.rstrip("\n")
    if not line.strip() or line.startswith("#"):
        continue
    if line.startswith("@ "):
        name, file = line[2:].split()
        current = [name, file, None, None]
        entries.append(current)
    elif line.startswith("- ") and current:
        current[2] = line[2:].strip()
    elif line.startswith("+ ") and current:
        current[3] = line[2:].strip()
    else:
        bad.append(f"{path}:{number}: not an entry line")
names = [e[0] for e in entries]
for name in set(names):
    if names.count(name) > 1:
        bad.append(f"{name}: named twice")
for name, file, old, new in entries:
    if old is None or new is None or old == new:
        bad.append(f"{name}: needs a '-' and a different '+' line")
        continue
    text = open(f"{root}/{file}", encoding="utf-8").read()
    if text.count(old) != 1:
        bad.append(f"{name}: the text is found {text.count(old)} times in {file}, not once")
for name in wanted - set(names):
    bad.append(f"{name}: no such mutation")
if bad:
    print("\n".join(bad), file=sys.stderr)
    sys.exit(1)
for name, file, old, new in entries:
    if not wanted or name in wanted:
        print("\t".join([name, file, old, new]))
EOF
)
count=$(printf '%s\n' "$entries" | grep -c . || true)
echo "$count mutations apply to the sources."
[ "$check_only" = 1 ] && exit 0

# The copy: the tree's sources as they are now (uncommitted changes too), without build folders.
# Only files whose bytes differ are copied, and they get the time of copying: a file changed in
# the source while the copy's objects were built from its older text must look newer than they
# do, whatever its own time says. Files gone from the source go from the copy.
mkdir -p "$copy/tree"
python3 - "$source_dir" "$copy/tree" <<'EOF'
import filecmp, os, shutil, sys
source, copy = sys.argv[1], sys.argv[2]
def skipped(name):
    return name == ".git" or name.startswith("build")
wanted = set()
for folder, folders, files in os.walk(source):
    folders[:] = [f for f in folders if not (folder == source and skipped(f)) and f != ".git"]
    relative = os.path.relpath(folder, source)
    os.makedirs(os.path.join(copy, relative), exist_ok=True)
    for name in files:
        path = os.path.normpath(os.path.join(relative, name))
        wanted.add(path)
        target = os.path.join(copy, path)
        if not os.path.exists(target) or not filecmp.cmp(os.path.join(source, path), target, shallow=False):
            shutil.copyfile(os.path.join(source, path), target)
            shutil.copymode(os.path.join(source, path), target)
for folder, folders, files in os.walk(copy):
    folders[:] = [f for f in folders if not (folder == copy and skipped(f))]
    for name in files:
        path = os.path.normpath(os.path.relpath(os.path.join(folder, name), copy))
        if path not in wanted:
            os.remove(os.path.join(copy, path))
EOF
build="$copy/build"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$copy/tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISOLT_BENCH=OFF \
    -DBRISOLT_GUI="$gui" >"$copy/configure.log"
fi
suite() {
  # The checks by other programs are slow and look at what the golden files already hold; the
  # guide is not found from a build folder outside the source tree, as the copy's is.
  ctest --test-dir "$build" --stop-on-failure -j2 --timeout 300 \
    -E '^(protocol_in_(chromium|calc)|FindGuide\.FoundFromTheBuildFolderOfTheSourceTree)$' \
    >"$copy/ctest.log" 2>&1
}
echo "Building the copy and running the suite unmutated..."
nice -n 5 cmake --build "$build" >"$copy/build.log" 2>&1 || { echo "the copy does not build: $copy/build.log"; exit 1; }
if ! suite; then
  echo "the suite fails without any mutation: $copy/ctest.log"
  exit 1
fi

killed=0
survivors=""
tab=$(printf '\t')
start=$(date +%s)
while IFS="$tab" read -r name file old new; do
  [ -n "$name" ] || continue
  target="$copy/tree/$file"
  cp "$source_dir/$file" "$target.orig"
  python3 - "$target" "$old" "$new" <<'EOF'
import sys
path, old, new = sys.argv[1:]
text = open(path, encoding="utf-8").read()
open(path, "w", encoding="utf-8").write(text.replace(old, new, 1))
EOF
  began=$(date +%s)
  if ! nice -n 5 cmake --build "$build" >"$copy/build-$name.log" 2>&1; then
    verdict="killed (does not build)"
    killed=$((killed + 1))
  elif ! suite; then
    verdict="killed by $(grep -m1 -o '[0-9]* - [^ ]* (Failed)' "$copy/ctest.log" | sed 's/^[0-9]* - //; s/ (Failed)//' || echo 'the suite')"
    killed=$((killed + 1))
  else
    verdict="SURVIVED"
    survivors="$survivors $name"
  fi
  echo "$name: $verdict ($(( $(date +%s) - began )) s)"
  # Copied back, not moved: the restored file must be newer than the mutant's objects.
  cp "$target.orig" "$target"
  rm "$target.orig"
done <<EOF
$entries
EOF
# Back to the unmutated build, so that the next run starts from it.
nice -n 5 cmake --build "$build" >"$copy/build.log" 2>&1 || true

echo "Killed $killed of $count in $(( $(date +%s) - start )) s."
if [ -n "$survivors" ]; then
  echo "Survivors:$survivors"
  exit 1
fi
