#!/bin/sh
# Seeded mutation testing: makes one small fault at a time in the code of src/core, src/platform,
# src/main, src/receive, src/deliver and compat/net, rebuilds what that file feeds, runs the tests
# of its folder and counts the faults they catch.
#   scripts/mutate.sh [-n N] [-s SEED] [-b BUILD] [-a]
# N mutations (default 40), sampled by SEED (default 1): the same seed picks the same sites on
# any machine, as long as the sources are the same. BUILD (default build-mutate) is configured
# RelWithDebInfo afresh on every run. A fault is one of: a comparison turned (< and <=,
# > and >=, == and !=), + and -, x * k and x / k, true and false, a returned value replaced by {}
# (by its negation in a function returning bool), or a call statement left out. A fault that
# does not compile is not counted; one is caught when a test fails or times out. With -a every
# test of the folder runs against each fault (slower), and the line names all that catch it:
# a test that never catches a fault alone is a candidate for removal.
# The sources are always put back, also on Ctrl-C; a run cut short harder (kill -9) is put back
# by the next run.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
count=40
seed=1
every=false
build=$top/build-mutate
usage() {
    echo "usage: scripts/mutate.sh [-n N] [-s SEED] [-b BUILD] [-a]" >&2
    exit 2
}
while getopts n:s:b:ah option; do
    case $option in
    n) count=$OPTARG ;;
    s) seed=$OPTARG ;;
    b) build=$OPTARG ;;
    a) every=true ;;
    *) usage ;;
    esac
done
shift $((OPTIND - 1))
[ $# -eq 0 ] || usage
case $count in '' | *[!0-9]*) usage ;; esac
case $seed in '' | *[!0-9]*) usage ;; esac
case $build in /*) ;; *) build=$PWD/$build ;; esac

work=$build/mutate
mkdir -p "$work"
tab=$(printf '\t')
started=$(date +%s)

# The text work: finding the sites, sampling, making a change.
cat >"$work/helper.py" <<'PY'
import hashlib
import json
import os
import re
import sys

FOLDERS = ["src/core", "src/platform", "src/main", "src/receive", "src/deliver", "compat/net"]


def blank(text):
    """The text with comments, string and character literals and preprocessor lines turned to
    spaces (newlines kept), so that offsets still match, and the set of offsets that were inside
    a literal (quotes included)."""
    out = list(text)
    literal = set()
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            # A directive, with its continuation lines.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out[i] = " "
                    i += 2
                    continue
                out[i] = " "
                i += 1
            continue
        line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for k in range(i, end):
                if text[k] != "\n":
                    out[k] = " "
            i = end
            continue
        m = re.match(r'(?:u8|u|U|L)?R"([^()\\ ]{0,16})\(', text[i:i + 40])
        if m and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            close = ")" + m.group(1) + '"'
            end = text.find(close, i + m.end())
            end = n if end < 0 else end + len(close)
            for k in range(i, end):
                literal.add(k)
                if text[k] != "\n":
                    out[k] = " "
            i = end
            continue
        if c == '"' or (c == "'" and not re.search(r"(?<![\w.])[0-9][\w.]*$", text[max(0, i - 40):i])):
            k = i + 1
            while k < n and text[k] != c and text[k] != "\n":
                k += 2 if text[k] == "\\" else 1
            end = min(k + 1, n)
            for j in range(i, end):
                literal.add(j)
                out[j] = " "
            i = end
            continue
        i += 1
    return "".join(out), literal


LOG_CALL = re.compile(r"^\s*(?:q(?:C)?(?:Debug|Info|Warning|Critical|Fatal)\b|(?:std::)?(?:perror|syslog)\s*\("
                      r"|(?:std::)?(?:cerr|clog)\b)")
STDERR_CALL = re.compile(r"^\s*(?:std::)?(?:fprintf|fputs|fputc|fwrite|dprintf)\s*\(")
# Statements whose removal or change means nothing in this build, or cannot compile.
SKIP_LINE = re.compile(r"^\s*(?:Q_ASSERT\w*|Q_ASSUME|Q_UNUSED|assert|static_assert|Q_DECLARE\w*|Q_OBJECT"
                       r"|Q_PROPERTY|Q_ENUM\w*|Q_DISABLE_COPY\w*)\b")
CALL_LINE = re.compile(r"^(\s*)((?:::)?[A-Za-z_]\w*(?:::[A-Za-z_]\w*)*(?:\s*(?:\.|->)\s*[A-Za-z_]\w*)*)\s*\((.*)\)\s*;\s*$")
NOT_CALLS = {"if", "while", "for", "switch", "return", "sizeof", "alignof", "decltype", "delete", "throw",
             "co_return", "co_await", "co_yield", "catch", "case", "emit", "Q_EMIT", "new", "static_cast",
             "reinterpret_cast", "const_cast", "dynamic_cast"}
# Calls that only change how fast something runs: removing them leaves nothing for a test to see.
NO_EFFECT = {"reserve", "squeeze", "shrink_to_fit", "madvise", "posix_fadvise"}
RETURN_LINE = re.compile(r"^(\s*)return\s+(.+?)\s*;\s*$")
TRIVIAL_RETURNS = {"{}", "0", "0u", "nullptr", "std::nullopt", "QString()", "QByteArray()", "QStringList()",
                   "std::string()", "{}", "true", "false", "NULL", "QVariant()"}
COMPARE = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ARITH = {"+": "-", "-": "+", "*": "/", "/": "*"}


def balanced(s):
    depth = 0
    for c in s:
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth < 0:
                return False
    return depth == 0


def statements_to_skip(lines):
    """Line numbers (0-based) of statements that only log, and of code inside #if blocks."""
    skip = set()
    i = 0
    while i < len(lines):
        s = lines[i]
        if LOG_CALL.match(s) or (STDERR_CALL.match(s)):
            is_log = bool(LOG_CALL.match(s))
            j, text = i, s
            # The whole statement: up to the line where the parentheses close and it ends.
            while j + 1 < len(lines) and j - i < 20 and not (balanced(text) and text.rstrip().endswith(";")):
                j += 1
                text += lines[j]
            if is_log or "stderr" in text:
                skip.update(range(i, j + 1))
            i = j + 1
            continue
        i += 1
    return skip


def conditional_lines(raw_lines):
    skip, depth = set(), 0
    for no, line in enumerate(raw_lines):
        d = line.strip()
        if re.match(r"#\s*if", d):
            depth += 1
        elif re.match(r"#\s*endif", d):
            depth = max(0, depth - 1)
        if depth:
            skip.add(no)
    return skip


def opener_kind(code, brace):
    """What the block opened at offset brace belongs to: ('lambda', return type or None),
    ('function', return type), or ('other', None)."""
    start = brace
    depth = 0
    while start > 0:
        c = code[start - 1]
        if c in ")]":
            depth += 1
        elif c in "([":
            if depth == 0:
                break
            depth -= 1
        elif depth == 0 and c in ";{}":
            break
        start -= 1
    head = " ".join(code[start:brace].split())
    lam = re.search(r"\[[^\[\]]*\]\s*(?:\([^()]*(?:\([^()]*\)[^()]*)*\))?\s*(?:mutable\s*)?(?:noexcept\s*)?"
                    r"(?:->\s*(.+?))?\s*$", head)
    if lam and "[" in head:
        return "lambda", lam.group(1)
    fn = re.match(r"^(?:template\s*<.*?>\s*)?(.*?)\b(~?[A-Za-z_][\w:]*|operator\S+)\s*\(", head)
    if fn and not re.match(r"^(?:if|for|while|switch|catch|else)\b", head) and "=" not in head.split("(")[0]:
        rtype = re.sub(r"\b(?:static|inline|constexpr|consteval|virtual|explicit|extern|friend)\b|\[\[.*?\]\]",
                       "", fn.group(1)).strip()
        if fn.group(2) in ("if", "for", "while", "switch", "catch"):
            return "other", None
        return "function", rtype
    return "other", None


def enclosing_returns(code):
    """For each offset of a `return` keyword: the return type of the innermost function or lambda,
    ('function'|'lambda', type or None)."""
    stack = []
    result = {}
    for m in re.finditer(r"[{}]|\breturn\b", code):
        t = m.group(0)
        if t == "{":
            stack.append(opener_kind(code, m.start()))
        elif t == "}":
            if stack:
                stack.pop()
        else:
            owner = next((k for k in reversed(stack) if k[0] != "other"), ("other", None))
            result[m.start()] = owner
    return result


def looks_boolean(expr):
    return bool(re.search(r"==|!=|<=|>=|\s<\s|\s>\s|&&|\|\||^!", expr)) or \
        bool(re.match(r"^[\w.:>\-]*\b(?:is|has|can|contains|starts_with|ends_with|startsWith|endsWith|empty|isEmpty)\w*\(",
                      expr))


def sites_of(path, rel):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    code, literal = blank(text)
    raw_lines = text.split("\n")
    lines = code.split("\n")
    offsets = [0]
    for line in raw_lines:
        offsets.append(offsets[-1] + len(line) + 1)
    skip = statements_to_skip(lines) | conditional_lines(raw_lines)
    returns = enclosing_returns(code)
    out = []

    def site(no, col, end, new, kind):
        out.append({"file": rel, "line": no + 1, "col": col, "end": end, "old": raw_lines[no][col:end],
                    "new": new, "kind": kind})

    prev = ""  # the last code line before this one, stripped
    for no, s in enumerate(lines):
        stripped = s.strip()
        if not stripped:
            continue
        if no in skip or SKIP_LINE.match(s):
            prev = stripped
            continue
        base = offsets[no]
        for m in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", s):
            site(no, m.start(), m.end(), COMPARE[m.group(1)], "compare")
        for m in re.finditer(r"(?<=\s)([-+*/])(?=\s)", s):
            left = raw_lines[no][:m.start()].rstrip()
            right = raw_lines[no][m.end():].lstrip()
            if not re.search(r"[\w)\]'\"]$", left) or not re.match(r"[\w('\"]", right):
                continue  # not between two operands
            # Next to a literal or a string it is most likely text put together, which the other
            # operator does not compile.
            if re.search(r"['\"]$|(?:QStringLiteral|QLatin1String|QByteArrayLiteral)\([^()]*\)$", left) or \
                    re.match(r"(?:u8|u|U|L)?['\"]|(?:QStringLiteral|QLatin1String|QByteArrayLiteral|std::string)\b", right):
                continue
            if m.group(1) == "*" and re.search(r"\b(?:const|char|int|void|auto|unsigned|long|short|double|float)$", left):
                continue  # a pointer declared with spaces around the star
            if m.group(1) == "*" and not re.match(r"(?:[1-9][0-9]*|0x[0-9A-Fa-f]*[1-9A-Fa-f][0-9A-Fa-f]*)\b", right):
                continue  # only x * k becomes x / k: a variable divisor may be zero
            site(no, m.start(), m.end(), ARITH[m.group(1)], "arithmetic")
        for m in re.finditer(r"\b(true|false)\b", s):
            site(no, m.start(), m.end(), "false" if m.group(1) == "true" else "true", "boolean")
        starts_statement = prev == "" or prev[-1] in ";{}:" or re.match(r"^(?:else\b|(?:if|for|while)\b.*\)$)", prev)
        r = RETURN_LINE.match(s)
        if r:
            # The expression ends at the statement's semicolon (its last characters may be a literal).
            begin = len(r.group(1)) + len("return")
            begin += len(raw_lines[no][begin:]) - len(raw_lines[no][begin:].lstrip())
            end = len(raw_lines[no][:s.rstrip().rfind(";")].rstrip())
            expr = raw_lines[no][begin:end]
        if r and balanced(r.group(2)) and expr not in TRIVIAL_RETURNS:
            owner, rtype = returns.get(base + r.start(0) + len(r.group(1)), ("other", None))
            rtype = (rtype or "").strip()
            if rtype == "bool" or (owner == "lambda" and not rtype and looks_boolean(r.group(2))):
                new = "!(" + expr + ")"
            elif owner == "function" and rtype and rtype not in ("auto", "void") and "&" not in rtype \
                    and not rtype.endswith("*"):
                new = "{}"
            elif owner == "lambda" and rtype and rtype != "auto" and "&" not in rtype:
                new = "{}"
            else:
                new = None
            if new:
                site(no, begin, end, new, "return")
        c = CALL_LINE.match(s)
        if c and starts_statement and balanced(c.group(3)):
            callee = re.split(r"\s*(?:\.|->|::)\s*", c.group(2).lstrip(":"))[0]
            last = re.split(r"\s*(?:\.|->|::)\s*", c.group(2))[-1]
            if callee not in NOT_CALLS and last not in NO_EFFECT:
                indent = len(c.group(1))
                site(no, indent, len(raw_lines[no].rstrip()), "; // " + raw_lines[no].strip(), "call")
        prev = stripped
    return out


def key(seed, s):
    text = "\0".join([str(seed), s["file"], str(s["line"]), str(s["col"]), s["kind"], s["new"]])
    return hashlib.sha256(text.encode()).hexdigest()


def choose(top, n, seed):
    by_folder = {}
    for folder in FOLDERS:
        found = []
        for dirpath, dirnames, filenames in os.walk(os.path.join(top, folder)):
            dirnames.sort()
            for name in sorted(filenames):
                if name.endswith(".cpp"):
                    path = os.path.join(dirpath, name)
                    found += sites_of(path, os.path.relpath(path, top))
        # One site per line at most, the first in seeded order, so that a sample spreads out.
        seen, unique = set(), []
        for s in sorted(found, key=lambda s: key(seed, s)):
            if (s["file"], s["line"]) not in seen:
                seen.add((s["file"], s["line"]))
                unique.append(s)
        by_folder[folder] = unique
    # Each folder at least n / (2 * folders) sites, the rest in proportion to how many it has.
    total = sum(len(v) for v in by_folder.values())
    floor = n // (2 * len(FOLDERS))
    quota = {f: min(floor, len(v)) for f, v in by_folder.items()}
    rest = min(n, total) - sum(quota.values())
    room = {f: len(v) - quota[f] for f, v in by_folder.items()}
    weight = sum(room.values())
    if rest > 0 and weight:
        shares = {f: rest * room[f] / weight for f in FOLDERS}
        for f in FOLDERS:
            quota[f] += int(shares[f])
        left = rest - sum(int(shares[f]) for f in FOLDERS)
        for f in sorted(FOLDERS, key=lambda f: (-(shares[f] - int(shares[f])), f))[:left]:
            quota[f] += 1
    chosen = []
    for f in FOLDERS:
        chosen += [dict(s, folder=f) for s in by_folder[f][:quota[f]]]
    counts = {f: len(v) for f, v in by_folder.items()}
    return chosen, counts


def load(plan, index):
    with open(plan) as f:
        return json.loads(f.readlines()[index - 1])


def main():
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "plan":
        # plan TOP N SEED OUT: the sample, one JSON line per mutation in OUT and one line per
        # mutation on standard output: file, folder, what changes (tab-separated).
        top, n, seed, out = args[0], int(args[1]), args[2], args[3]
        chosen, counts = choose(top, n, seed)
        with open(out, "w") as f:
            for s in chosen:
                f.write(json.dumps(s) + "\n")
        with open(out + ".found", "w") as f:
            f.write(", ".join("%s %d" % (k, v) for k, v in counts.items()) + "\n")
        for s in chosen:
            with open(os.path.join(top, s["file"]), encoding="utf-8") as f:
                line = f.read().split("\n")[s["line"] - 1]
            after = line[:s["col"]] + s["new"] + line[s["end"]:]
            print("%s\t%s\t%s:%d [%s] %s  =>  %s" % (s["file"], s["folder"], s["file"], s["line"], s["kind"],
                                                   line.strip(), after.strip()))
    elif cmd == "apply":
        # apply TOP PLAN INDEX: makes one change, after checking that the text is still there.
        top, s = args[0], load(args[1], int(args[2]))
        path = os.path.join(top, s["file"])
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        line = lines[s["line"] - 1]
        if line[s["col"]:s["end"]] != s["old"]:
            sys.exit("%s:%d no longer reads %r" % (s["file"], s["line"], s["old"]))
        lines[s["line"] - 1] = line[:s["col"]] + s["new"] + line[s["end"]:]
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
    elif cmd == "objects":
        # objects BUILD FILE: the object files made from FILE, relative to BUILD.
        build, source = os.path.realpath(args[0]), os.path.realpath(args[1])
        with open(os.path.join(build, "compile_commands.json")) as f:
            entries = json.load(f)
        for e in entries:
            if os.path.realpath(os.path.join(e["directory"], e["file"])) == source:
                m = re.search(r"\s-o\s+(\S+)", e["command"])
                if m:
                    print(os.path.relpath(os.path.join(e["directory"], m.group(1)), build))
    elif cmd == "tests":
        # tests BUILD FOLDER < ctest --show-only=json-v1: the tests that run in the tests' mirror of
        # FOLDER, and in the folders that also exercise it: the spool folder and the session lock of
        # the host layer are read by receiving's tests, and net's names by the console programs'
        # runs. parlo-deliver has no folder of its own: its tests are those named after it.
        build, folder = os.path.realpath(args[0]), args[1]
        mirrors = {"src/deliver": ["tests/receive"], "src/platform": ["tests/platform", "tests/receive"],
                   "compat/net": ["tests/compat/net", "tests/compat/tools"]}.get(
                       folder, ["tests/" + re.sub(r"^src/", "", folder)])
        for t in json.load(sys.stdin).get("tests", []):
            where = next((p["value"] for p in t.get("properties", []) if p["name"] == "WORKING_DIRECTORY"), "")
            if where and os.path.relpath(os.path.realpath(where), build) in mirrors and \
                    (folder != "src/deliver" or "deliver" in t["name"]):
                print(t["name"])
    else:
        sys.exit("unknown helper command " + cmd)


main()
PY
helper() { python3 "$work/helper.py" "$@"; }

# What a mutation changed, put back: the source with its own time, and its object files. An
# object the mutant rebuilt gets its original content with the mutant's time, which ninja has
# recorded for it, so that it is not compiled again; the archive or program that took the
# mutant object in is removed, so that the next build makes it again from the original.
restore() {
    [ -f "$work/active" ] || return 0
    changed=$(cat "$work/active")
    cp -p "$work/source" "$top/$changed"
    k=0
    while IFS= read -r object; do
        k=$((k + 1))
        saved=$work/object.$k
        [ -f "$saved" ] || continue
        if [ ! -f "$build/$object" ]; then
            cp -p "$saved" "$build/$object"
        elif ! cmp -s "$saved" "$build/$object"; then
            touch -r "$build/$object" "$work/stamp"
            cp "$saved" "$build/$object"
            touch -r "$work/stamp" "$build/$object"
            (cd "$build" && ninja -t query "$object") | sed -n '/^  outputs:/,$p' | sed '1d;s/^ *//' |
                while IFS= read -r output; do rm -f "$build/$output"; done
        fi
    done <"$work/objects"
    rm -f "$work/active" "$work"/object.*
}
trap 'restore' EXIT
trap 'restore; trap - EXIT; exit 130' INT TERM HUP
if [ -f "$work/active" ]; then
    echo "Putting back $(cat "$work/active"), left changed by a run that was cut short."
    restore
fi

# Configured afresh every time, so that CTest's list names the tests the sources have now.
nice -n 10 cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$work/configure.log" ||
    { cat "$work/configure.log"; exit 1; }

helper plan "$top" "$count" "$seed" "$work/plan.jsonl" >"$work/plan.tsv"
total=$(wc -l <"$work/plan.tsv")

# The tests of each folder in the sample, from CTest's list.
(cd "$build" && ctest --show-only=json-v1) >"$work/tests.json"
: >"$work/folder-tests"
# shellcheck disable=SC2013
for folder in $(cut -f2 "$work/plan.tsv" | sort -u); do
    names=$(helper tests "$build" "$folder" <"$work/tests.json" | tr '\n' ' ')
    echo "$folder$tab$names" >>"$work/folder-tests"
done
all_tests=$(cut -f2 "$work/folder-tests" | tr ' ' '\n' | sort -u | tr '\n' ' ')

echo "Building the tests: $all_tests"
# shellcheck disable=SC2086
if ! nice -n 10 ninja -C "$build" -j2 $all_tests >"$work/build.log" 2>&1; then
    tail -n 30 "$work/build.log"
    echo "mutate: the unchanged sources do not build" >&2
    exit 1
fi

# Runs one test; its output goes to $work/test.log.
run_test() {
    QT_QPA_PLATFORM=offscreen nice -n 10 ctest --test-dir "$build" -R "^$1\$" --timeout 120 \
        --output-on-failure >"$work/test.log" 2>&1
}

# Each test once unchanged: one that fails already tells nothing and is left out; the others
# run fastest first, so that a caught fault is seen soon.
: >"$work/baseline"
for name in $all_tests; do
    begin=$(date +%s)
    if run_test "$name"; then
        echo "$(($(date +%s) - begin))$tab$name" >>"$work/baseline"
        echo "  $name passes unchanged ($(($(date +%s) - begin)) s)"
    else
        cp "$work/test.log" "$work/baseline-$name.log"
        echo "  $name fails unchanged and is left out (see $work/baseline-$name.log)"
    fi
done
ordered=$(sort -n "$work/baseline" | cut -f2 | tr '\n' ' ')
# What each test is built from, the programs it starts included: a test that is built from none
# of a mutation's objects cannot see it, and is not run for it.
for name in $ordered; do
    (cd "$build" && ninja -t inputs "$name") >"$work/inputs.$name"
done
# tests_of FOLDER: the tests of FOLDER that passed unchanged and are built from $work/objects.
tests_of() {
    wanted=$(grep "^$1$tab" "$work/folder-tests" | cut -f2)
    for name in $ordered; do
        case " $wanted " in *" $name "*) ;; *) continue ;; esac
        ! grep -qxF -f "$work/objects" "$work/inputs.$name" || printf '%s ' "$name"
    done
}

# say VERDICT: one line of progress (printf, as echo may read the backslashes of the code).
say() { printf '[%s/%s] %s: %s\n' "$index" "$total" "$1" "$change"; }
tried=0 broken=0 caught=0 survived=0 untested=0
: >"$work/survivors"
index=0
# The list on descriptor 3: what runs in the loop keeps standard input.
while IFS="$tab" read -r file folder change <&3; do
    index=$((index + 1))
    tried=$index
    helper objects "$build" "$top/$file" >"$work/objects"
    tests=$(tests_of "$folder")
    tests=${tests% }
    if [ -z "$tests" ]; then
        untested=$((untested + 1))
        say "no test to run"
        continue
    fi
    k=0
    while IFS= read -r object; do
        k=$((k + 1))
        [ ! -f "$build/$object" ] || cp -p "$build/$object" "$work/object.$k"
    done <"$work/objects"
    cp -p "$top/$file" "$work/source"
    echo "$file" >"$work/active"
    if ! helper apply "$top" "$work/plan.jsonl" "$index" 2>"$work/apply.log"; then
        restore
        broken=$((broken + 1))
        say "not applied ($(cat "$work/apply.log"))"
        continue
    fi
    # The mutated file alone first, so that a fault that does not compile costs no link; then
    # each test is linked just before it runs, so that none is linked after one has failed.
    # shellcheck disable=SC2046
    if ! nice -n 10 ninja -C "$build" -j2 $(cat "$work/objects") >"$work/build.log" 2>&1; then
        restore
        broken=$((broken + 1))
        say "does not compile"
        continue
    fi
    verdict="survived ($tests)"
    killers=
    for name in $tests; do
        if ! nice -n 10 ninja -C "$build" -j2 "$name" >>"$work/build.log" 2>&1; then
            killers=
            verdict=broken
            break
        fi
        if ! run_test "$name"; then
            # With -a every test of the folder runs, to show which tests alone catch a change.
            killers="$killers $name"
            verdict="caught by${killers}"
            [ "$every" = true ] || break
        fi
    done
    restore
    if [ "$verdict" = broken ]; then
        broken=$((broken + 1))
        say "does not link"
        continue
    fi
    if [ "$verdict" = "survived ($tests)" ]; then
        survived=$((survived + 1))
        printf '%s\n' "$change" >>"$work/survivors"
    else
        caught=$((caught + 1))
    fi
    say "$verdict"
done 3<"$work/plan.tsv"

compiled=$((caught + survived))
elapsed=$(($(date +%s) - started))
echo
echo "Mutations, seed $seed, $total of the sites found ($(cat "$work/plan.jsonl.found"))"
echo "  tried:          $tried"
echo "  not compiling:  $broken"
[ "$untested" -eq 0 ] || echo "  no test to run: $untested"
echo "  caught:         $caught"
echo "  survived:       $survived"
if [ "$compiled" -gt 0 ]; then
    echo "  caught share:   $(awk "BEGIN { printf \"%.1f\", 100 * $caught / $compiled }")% of the $compiled that compiled"
fi
echo "  time:           $((elapsed / 60)) min $((elapsed % 60)) s"
if [ -s "$work/survivors" ]; then
    echo "Survivors:"
    sed 's/^/  /' "$work/survivors"
fi
exit 0
