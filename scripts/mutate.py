#!/usr/bin/env python3
"""Mutation testing: how many small, deliberate faults in a library do its tests catch?

For every .cpp file of each LIBRARY (evaluator, textlib, filelib, styledtext, pasteboard, or
any source folder with tests in tests/<folder>/) the script finds candidate faults by
textual rules on code lines (comments, string and character literals and preprocessor lines
are never touched):

  relational   <  <-> >=,  <= <-> >,  == <-> !=     (only with spaces on both sides, so
                                                     templates, ->, << and >> stay intact)
  arithmetic   + 1 <-> - 1
  logical      && <-> ||
  negate       if (X) -> if (!(X))
  boolean      return true <-> return false
  constant     an integer literal n -> n + 1, or n - 1
  delete       a single-line statement that is neither a declaration nor a return

It samples a fixed set of N mutants per file (seeded; the kinds take turns so that no kind
crowds out the others), and for each one writes the mutant, rebuilds only the library's
test binaries, runs them with a timeout and restores the file byte for byte. A mutant is
killed when a test binary fails, crashes or hangs; a mutant that does not compile counts as
"not compiled", neither killed nor survived.

The test binaries are those of tests/<library>/CMakeLists.txt without the ctest label "gui":
the desktop tests need real displays and window managers, so they are left out (the tests
that start their own private Xvfb are run).

The original of the file being mutated is also kept under BUILD/mutate/backup/; a run
interrupted even by SIGKILL is repaired at the start of the next one.
"""

import argparse
import datetime
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KNOWN_LIBRARIES = ("evaluator", "textlib", "filelib", "styledtext", "pasteboard")

# ---------------------------------------------------------------------------------------------
# Finding mutation sites


def mask_source(text):
    """The text with comments, string and character literals and preprocessor lines blanked
    out (newlines and every offset kept), so rules can match code alone."""
    out = list(text)
    n = len(text)
    i = 0
    line_start = True  # only white space so far on this line

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n:
                nl = text.find("\n", j)
                if nl < 0:
                    j = n
                    break
                # A backslash before the newline continues the directive.
                if text[j:nl].rstrip(" \t\r").endswith("\\"):
                    j = nl + 1
                    continue
                j = nl
                break
            blank(i, j)
            i = j
            continue
        line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
            continue
        if c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            # A number, with digit separators and exponent signs.
            j = i + 1
            while j < n:
                if text[j].isalnum() or text[j] in "._'":
                    j += 1
                elif text[j] in "+-" and text[j - 1] in "eEpP":
                    j += 1
                else:
                    break
            i = j
            continue
        if c.isalpha() or c == "_":
            j = i + 1
            while j < n and (text[j].isalnum() or text[j] == "_"):
                j += 1
            word = text[i:j]
            if j < n and text[j] == '"' and word in ("R", "u8R", "uR", "UR", "LR"):
                m = re.match(r'"([^()\\\s]{0,16})\(', text[j:])
                if m:
                    end = text.find(")" + m.group(1) + '"', j + m.end())
                    end = n if end < 0 else end + len(m.group(1)) + 2
                    blank(j, end)
                    i = end
                    continue
            if j < n and text[j] in "\"'" and word in ("u8", "u", "U", "L"):
                i = j  # the literal itself is handled below
                continue
            i = j
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            blank(i, j)
            i = j
            continue
        i += 1
    return "".join(out)


@dataclass
class Mutant:
    kind: str
    start: int  # offsets in the file's text
    end: int
    replacement: str
    line: int = 0  # 1-based, filled in by find_mutants
    original_line: str = ""
    mutated_line: str = ""

    def describe(self):
        return f"{self.original_line} -> {self.mutated_line}"


# Lines whose mutants compile to nothing in a release build or cannot compile at all.
INERT_LINE = re.compile(r"\b(Q_ASSERT\w*|assert|static_assert|Q_UNUSED|Q_OBJECT|Q_DECLARE\w*)\b")

RELATIONAL_FLIP = {"<": ">=", ">=": "<", "<=": ">", ">": "<=", "==": "!=", "!=": "=="}
RELATIONAL = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s|$)", re.M)
LOGICAL = re.compile(r"(?<=\s)(&&|\|\|)(?=\s|$)", re.M)
PLUS_MINUS_ONE = re.compile(r"(?<=\s)([+-]) 1(?![\w.'])")
RETURN_BOOL = re.compile(r"\breturn (true|false)\b")
INTEGER = re.compile(r"(?<![\w.'])(?<![eEpP][+-])(\d+)(?![\w.'])")
IF_OPEN = re.compile(r"\bif \(")

# A declaration: optional specifiers, a type (qualified, templated, pointer or reference)
# and a name followed by an initializer or the end.
DECLARATION = re.compile(
    r"^(?:(?:static|const|constexpr|inline|thread_local|volatile|mutable|unsigned|signed|"
    r"long|short|struct|class|enum|typename)\s+)*"
    r"[A-Za-z_][\w:]*(?:<.*>)?(?:\s*[*&]+\s*|\s+)(?:const\s+)?[*&]*[A-Za-z_]\w*\s*"
    r"(?:[=;({\[]|$)"
)
NOT_A_STATEMENT = re.compile(
    r"^(return|co_return|case|default|if|else|for|while|do|switch|using|typedef|namespace|"
    r"template|class|struct|enum|union|friend|public|private|protected|extern|static_assert|"
    r"Q_\w+|qDebug|qInfo|qWarning|qCritical|qC\w+)\b"
)
# A condition that declares a variable cannot be negated as a whole.
CONDITION_DECLARATION = re.compile(
    r"^\s*(?:const\s+)?[A-Za-z_][\w:]*(?:<.*>)?\s*[*&]*\s*[A-Za-z_]\w*\s*(?:=[^=]|\{)"
)


def _matching_paren(masked, open_at):
    depth = 0
    for k in range(open_at, len(masked)):
        ch = masked[k]
        if ch == "(":
            depth += 1
        elif ch == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


def _top_level_semicolon(masked, a, b):
    depth = 0
    last = -1
    for k in range(a, b):
        ch = masked[k]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
        elif ch == ";" and depth == 0:
            last = k
    return last


def find_mutants(text):
    """Every candidate mutant of a C++ source text, in file order."""
    masked = mask_source(text)
    mutants = []
    line_starts = [0]
    for k, ch in enumerate(text):
        if ch == "\n":
            line_starts.append(k + 1)
    line_starts.append(len(text) + 1)

    previous_code = ""  # the last non-blank masked line before the current one
    for index in range(len(line_starts) - 1):
        a, b = line_starts[index], line_starts[index + 1] - 1
        code = masked[a:b]
        stripped = code.strip()
        if not stripped:
            continue
        if INERT_LINE.search(code):
            previous_code = stripped
            continue
        found = []

        def add(kind, s, e, rep):
            found.append(Mutant(kind, a + s, a + e, rep))

        for m in RELATIONAL.finditer(code):
            add("relational", m.start(), m.end(), RELATIONAL_FLIP[m.group(1)])
        for m in LOGICAL.finditer(code):
            add("logical", m.start(), m.end(), "||" if m.group(1) == "&&" else "&&")
        for m in PLUS_MINUS_ONE.finditer(code):
            add("arithmetic", m.start(1), m.end(1), "-" if m.group(1) == "+" else "+")
        for m in RETURN_BOOL.finditer(code):
            other = "false" if m.group(1) == "true" else "true"
            add("boolean", m.start(1), m.end(1), other)
        for m in INTEGER.finditer(code):
            value = int(m.group(1), 8 if len(m.group(1)) > 1 and m.group(1)[0] == "0" else 10)
            add("constant", m.start(1), m.end(1), str(value + 1))
            if value > 0:
                add("constant", m.start(1), m.end(1), str(value - 1))
        for m in IF_OPEN.finditer(code):
            open_at = a + m.end() - 1
            close_at = _matching_paren(masked, open_at)
            if close_at < 0:
                continue
            cond_start = open_at + 1
            semicolon = _top_level_semicolon(masked, cond_start, close_at)
            if semicolon >= 0:
                cond_start = semicolon + 1
                while cond_start < close_at and masked[cond_start] == " ":
                    cond_start += 1
            if CONDITION_DECLARATION.match(masked[cond_start:close_at]):
                continue
            cond = text[cond_start:close_at]
            found.append(Mutant("negate", cond_start, close_at, "!(" + cond + ")"))
        if (
            stripped.endswith(";")
            and previous_code[-1:] in (";", "{", "}", ":")
            and not previous_code.endswith("::")
            and (stripped[0].isalnum() or stripped[0] in "_*+-(:")
            and not NOT_A_STATEMENT.match(stripped)
            and not DECLARATION.match(stripped)
            and stripped.count("(") == stripped.count(")")
            and stripped.count("{") == stripped.count("}")
            and stripped.count(";") == 1
        ):
            s = code.index(stripped[0])
            found.append(Mutant("delete", a + s, a + s + len(stripped), ""))
        for mutant in found:
            mutant.line = index + 1
            original = text[a:b].strip()
            # Conditions that span lines: show the first line of either side.
            mutated = (text[a : mutant.start] + mutant.replacement + text[mutant.end : b]).strip()
            mutated = mutated.split("\n")[0].rstrip()
            mutant.original_line = original
            mutant.mutated_line = mutated if mutated else "(deleted)"
        mutants.extend(found)
        previous_code = stripped
    return mutants


def apply_mutant(text, mutant):
    return text[: mutant.start] + mutant.replacement + text[mutant.end :]


def sample_mutants(mutants, count, seed, name):
    """count mutants, the same ones for the same seed and file: the kinds take turns (in a
    seeded order), each kind's own mutants in a seeded order."""
    rng = random.Random(f"{seed}:{name}")
    by_kind = {}
    for mutant in mutants:
        by_kind.setdefault(mutant.kind, []).append(mutant)
    kinds = sorted(by_kind)
    rng.shuffle(kinds)
    for kind in kinds:
        rng.shuffle(by_kind[kind])
    chosen = []
    while len(chosen) < count and any(by_kind.values()):
        for kind in kinds:
            if by_kind[kind] and len(chosen) < count:
                chosen.append(by_kind[kind].pop())
    return sorted(chosen, key=lambda m: (m.start, m.end, m.replacement))


# ---------------------------------------------------------------------------------------------
# Test binaries


def _cmake_calls(text, command):
    text = re.sub(r"#[^\n]*", "", text)
    calls = []
    for m in re.finditer(r"\b" + command + r"\s*\(", text):
        depth, k = 0, m.end() - 1
        while k < len(text):
            if text[k] == "(":
                depth += 1
            elif text[k] == ")":
                depth -= 1
                if depth == 0:
                    break
            k += 1
        calls.append(text[m.end() : k].split())
    return calls


def test_binaries(cmake_text):
    """The names of the tests added with sumwise_add_test that do not carry the label gui."""
    names = []
    for args in _cmake_calls(cmake_text, "sumwise_add_test"):
        if not args:
            continue
        properties = []
        if "PROPERTIES" in args:
            properties = args[args.index("PROPERTIES") + 1 :]
        labels = []
        if "LABELS" in properties:
            for word in properties[properties.index("LABELS") + 1 :]:
                if word.isupper():
                    break
                labels.extend(word.split(";"))
        if "gui" not in labels:
            names.append(args[0])
    return names


# ---------------------------------------------------------------------------------------------
# Running


@dataclass
class FileResult:
    path: str
    candidates: int = 0
    killed: int = 0
    survived: int = 0
    not_compiled: int = 0
    hung: int = 0
    seconds: float = 0.0
    survivors: list = field(default_factory=list)
    killers: list = field(default_factory=list)

    @property
    def compiled(self):
        return self.killed + self.survived


def rate(killed, compiled):
    return f"{100.0 * killed / compiled:.0f}%" if compiled else "n/a"


class Workspace:
    """Writes mutants and always puts the original back, from memory or, after a hard
    interruption, from the backup under the build folder."""

    def __init__(self, build, root=ROOT):
        self.root = root
        self.backup_dir = os.path.join(build, "mutate", "backup")

    def _backup_path(self, path):
        return os.path.join(self.backup_dir, os.path.relpath(path, self.root))

    @staticmethod
    def _write(path, data):
        # Through a temporary file and a rename: never a half-written source.
        directory = os.path.dirname(path)
        fd, tmp = tempfile.mkstemp(prefix=".mutate-", dir=directory)
        try:
            with os.fdopen(fd, "wb") as f:
                f.write(data)
            shutil.copymode(path, tmp)
            os.replace(tmp, path)
        except BaseException:
            if os.path.exists(tmp):
                os.unlink(tmp)
            raise

    def recover(self):
        """Restores sources left mutated by an earlier run that was killed outright."""
        if not os.path.isdir(self.backup_dir):
            return
        for folder, _, files in os.walk(self.backup_dir):
            for name in files:
                backup = os.path.join(folder, name)
                source = os.path.join(self.root, os.path.relpath(backup, self.backup_dir))
                with open(backup, "rb") as f:
                    original = f.read()
                current = None
                if os.path.exists(source):
                    with open(source, "rb") as f:
                        current = f.read()
                if current != original:
                    print(f"restoring {os.path.relpath(source, self.root)} from an interrupted run")
                    self._write(source, original)
                os.unlink(backup)

    def mutate(self, path, original, mutated):
        backup = self._backup_path(path)
        os.makedirs(os.path.dirname(backup), exist_ok=True)
        with open(backup, "wb") as f:
            f.write(original)
            f.flush()
            os.fsync(f.fileno())
        self._write(path, mutated)

    def restore(self, path, original):
        self._write(path, original)
        with open(path, "rb") as f:
            if f.read() != original:
                raise RuntimeError(f"{path} could not be restored; the original is in the backup")
        os.unlink(self._backup_path(path))


def run_group(command, cwd, timeout, env=None):
    """Runs command in its own process group; returns its exit status, or None when it ran
    out of time. The whole group is killed then, and also when the command is done, so that
    no X server or clipboard holder a test started outlives it."""
    # No pipes: a child left running while holding one would keep us waiting.
    proc = subprocess.Popen(
        command,
        cwd=cwd,
        env=env,
        stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
        start_new_session=True,
    )
    timed_out = False
    try:
        # Wait without reaping: while the leader is a zombie its group id cannot be reused.
        deadline = time.monotonic() + timeout
        while os.waitid(os.P_PID, proc.pid, os.WEXITED | os.WNOHANG | os.WNOWAIT) is None:
            if time.monotonic() > deadline:
                timed_out = True
                break
            time.sleep(0.05)
    finally:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        status = proc.wait()
    return None if timed_out else status


class Runner:
    def __init__(self, build, targets, test_env, build_timeout):
        self.build = build
        self.targets = targets
        self.env = test_env
        self.build_timeout = build_timeout
        self.test_timeout = None

    def compile(self):
        command = ["cmake", "--build", self.build, "--target", *self.targets]
        status = run_group(command, ROOT, self.build_timeout)
        return status == 0

    def test_once(self, timeout, killers=None):
        """(passed, hung, seconds) of all the library's test binaries, stopping at the first
        failure; or, given a list as killers, running them all and adding to it every test
        that failed."""
        started = time.monotonic()
        passed, hung = True, False
        for target in self.targets:
            binary = os.path.join(self.build, "bin", target)
            if killers is None:
                command = [binary, "--gtest_brief=1", "--gtest_fail_fast"]
            else:
                report = os.path.join(self.build, "mutate", "gtest.json")
                if os.path.exists(report):
                    os.unlink(report)
                command = [binary, "--gtest_brief=1", "--gtest_output=json:" + report]
            status = run_group(command, self.build, timeout, self.env)
            if status == 0:
                continue
            passed, hung = False, hung or status is None
            if killers is None:
                break
            failed = failed_tests(report)
            # A crash or a hang leaves no report naming the test.
            killers.extend(failed or [f"{target} ({'hung' if status is None else 'crashed'})"])
        return passed, hung, time.monotonic() - started


def failed_tests(report):
    try:
        with open(report) as f:
            suites = json.load(f)["testsuites"]
    except (OSError, ValueError, KeyError):
        return []
    return [f"{suite['name']}.{test['name']}" for suite in suites
            for test in suite.get("testsuite", []) if test.get("failures")]


def source_files(folder, compiled):
    files = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if name.endswith(".cpp") and os.path.isfile(path):
            if os.path.realpath(path) in compiled:
                files.append(path)
            else:
                print(f"  skipping {os.path.relpath(path, ROOT)}: no target compiles it")
    return files


def compiled_sources(build):
    try:
        with open(os.path.join(build, "compile_commands.json")) as f:
            return {os.path.realpath(os.path.join(e["directory"], e["file"])) for e in json.load(f)}
    except (OSError, ValueError, KeyError) as error:
        sys.exit(f"mutate: cannot read {build}/compile_commands.json ({error})")


def resolve_library(arg):
    folder = os.path.realpath(arg if os.path.isdir(arg) else os.path.join(ROOT, arg))
    if not os.path.isdir(folder) or not folder.startswith(ROOT + os.sep):
        sys.exit(f"mutate: {arg}: not a folder of the source tree")
    name = os.path.relpath(folder, ROOT)
    tests = os.path.join(ROOT, "tests", name, "CMakeLists.txt")
    if not os.path.isfile(tests):
        sys.exit(f"mutate: {arg}: no tests/{name}/CMakeLists.txt, so no tests to run")
    with open(tests) as f:
        targets = test_binaries(f.read())
    if not targets:
        sys.exit(f"mutate: {arg}: tests/{name}/ has no test binary without the label gui")
    return name, folder, targets


def run_library(args, name, folder, targets, workspace, compiled, env):
    print(f"== {name}: tests {' '.join(targets)}")
    runner = Runner(args.build, targets, env, args.build_timeout)
    started = time.monotonic()
    if not runner.compile():
        sys.exit(f"mutate: {name}: the unmutated tests do not build")
    passed, _, seconds = runner.test_once(args.timeout or 600)
    if not passed:
        sys.exit(f"mutate: {name}: the unmutated tests fail; fix them first")
    # A mutant that runs much longer than the real thing is taken to hang.
    runner.test_timeout = args.timeout or max(10.0, 5 * seconds)
    results = []
    for path in source_files(folder, compiled):
        rel = os.path.relpath(path, ROOT)
        with open(path, "rb") as f:
            original = f.read()
        try:
            text = original.decode("utf-8")
        except UnicodeDecodeError:
            print(f"  skipping {rel}: not UTF-8")
            continue
        candidates = find_mutants(text)
        result = FileResult(rel, candidates=len(candidates))
        file_started = time.monotonic()
        for mutant in sample_mutants(candidates, args.per_file, args.seed, rel):
            mutated = apply_mutant(text, mutant).encode("utf-8")
            workspace.mutate(path, original, mutated)
            try:
                if not runner.compile():
                    result.not_compiled += 1
                    outcome = "not compiled"
                else:
                    killers = [] if args.killers else None
                    passed, hung, _ = runner.test_once(runner.test_timeout, killers)
                    if killers is not None:
                        result.killers.append({"line": mutant.line, "kind": mutant.kind,
                                               "mutant": mutant.mutated_line,
                                               "killed_by": killers})
                    if passed:
                        result.survived += 1
                        result.survivors.append(mutant)
                        outcome = "SURVIVED"
                    else:
                        result.killed += 1
                        result.hung += hung
                        outcome = "killed (hang)" if hung else "killed"
            finally:
                workspace.restore(path, original)
            if args.verbose:
                print(f"  {rel}:{mutant.line}: [{mutant.kind}] {mutant.describe()}: {outcome}")
        result.seconds = time.monotonic() - file_started
        print(
            f"  {rel}: {result.killed}/{result.compiled} ({rate(result.killed, result.compiled)})"
            + (f", not compiled {result.not_compiled}" if result.not_compiled else "")
            + f", {result.seconds:.0f} s",
            flush=True,
        )
        results.append(result)
    # Leave the build matching the sources again.
    runner.compile()
    return results, time.monotonic() - started, runner.test_timeout


def summary(results, seconds):
    killed = sum(r.killed for r in results)
    compiled = sum(r.compiled for r in results)
    not_compiled = sum(r.not_compiled for r in results)
    return {
        "killed": killed,
        "compiled": compiled,
        "not_compiled": not_compiled,
        "hung": sum(r.hung for r in results),
        "rate": round(killed / compiled, 3) if compiled else None,
        "seconds": round(seconds),
    }


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="mutate.sh",
        description=__doc__.split("\n\n")[0],
        epilog="\n\n".join(__doc__.split("\n\n")[1:]),
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument("libraries", nargs="+", metavar="LIBRARY",
                        help="a library folder: " + ", ".join(KNOWN_LIBRARIES) + ", or another")
    parser.add_argument("--build", default=os.environ.get("BUILD_DIR", os.path.join(ROOT, "build")),
                        help="the CMake build folder (Ninja; configured when missing; default "
                             "$BUILD_DIR or ./build)")
    parser.add_argument("--per-file", type=int, default=4, metavar="N",
                        help="mutants per source file (default 4)")
    parser.add_argument("--seed", default="1", metavar="S", help="sampling seed (default 1)")
    parser.add_argument("--timeout", type=float, default=0, metavar="SECONDS",
                        help="a test run longer than this counts as a hang (default: five "
                             "times the unmutated run, at least 10 s)")
    parser.add_argument("--build-timeout", type=float, default=900, metavar="SECONDS",
                        help="a rebuild longer than this counts as not compiled (default 900)")
    parser.add_argument("--json", metavar="FILE", help="also write the figures to FILE")
    parser.add_argument("--killers", action="store_true",
                        help="run every test on each mutant, not just up to the first failure, "
                             "and write which tests killed it to the --json file")
    parser.add_argument("--list", action="store_true",
                        help="only print the sampled mutants; build and run nothing")
    parser.add_argument("-v", "--verbose", action="store_true",
                        help="print every mutant and its outcome")
    args = parser.parse_args(argv)
    if args.per_file < 1:
        parser.error("--per-file must be at least 1")
    if args.killers and not args.json:
        parser.error("--killers needs --json FILE")
    args.build = os.path.abspath(args.build)
    libraries = [resolve_library(arg) for arg in args.libraries]

    if args.list:
        for name, folder, targets in libraries:
            print(f"== {name}: tests {' '.join(targets)}")
            for path in sorted(os.listdir(folder)):
                if not path.endswith(".cpp"):
                    continue
                rel = os.path.relpath(os.path.join(folder, path), ROOT)
                with open(os.path.join(folder, path), encoding="utf-8", errors="replace") as f:
                    candidates = find_mutants(f.read())
                print(f"  {rel}: {len(candidates)} candidates")
                for m in sample_mutants(candidates, args.per_file, args.seed, rel):
                    print(f"    {rel}:{m.line}: [{m.kind}] {m.describe()}")
        return 0

    if not os.path.isfile(os.path.join(args.build, "build.ninja")):
        print(f"configuring {args.build}")
        subprocess.run(["cmake", "-S", ROOT, "-B", args.build, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], check=True, stdout=subprocess.DEVNULL)
    compiled = compiled_sources(args.build)

    workspace = Workspace(args.build)
    workspace.recover()
    # These signals unwind through every finally that restores a source; SIGINT too when the
    # shell that started us in the background had it ignored.
    def interrupt(signum, frame):
        raise KeyboardInterrupt(f"signal {signum}")

    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, interrupt)

    config = tempfile.mkdtemp(prefix="sumwise-mutate-")
    env = dict(os.environ, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="offscreen")
    report = {
        "date": datetime.date.today().isoformat(),
        "seed": args.seed,
        "per_file": args.per_file,
        "build": args.build,
        "libraries": {},
    }
    all_survivors = []
    try:
        for name, folder, targets in libraries:
            results, seconds, timeout = run_library(args, name, folder, targets, workspace,
                                                    compiled, env)
            total = summary(results, seconds)
            print(
                f"{name}: {total['killed']}/{total['compiled']} killed "
                f"({rate(total['killed'], total['compiled'])}), not compiled "
                f"{total['not_compiled']}, {total['seconds']} s"
            )
            report["libraries"][name] = dict(
                total,
                tests=targets,
                test_timeout=round(timeout),
                files={
                    r.path: {
                        "candidates": r.candidates,
                        "killed": r.killed,
                        "compiled": r.compiled,
                        "not_compiled": r.not_compiled,
                        "hung": r.hung,
                        "seconds": round(r.seconds),
                        **({"mutants": r.killers} if args.killers else {}),
                    }
                    for r in results
                },
                survivors=[
                    {"file": r.path, "line": m.line, "kind": m.kind,
                     "original": m.original_line, "mutant": m.mutated_line}
                    for r in results for m in r.survivors
                ],
            )
            all_survivors += [(r.path, m) for r in results for m in r.survivors]
    except KeyboardInterrupt:
        print("mutate: interrupted; every source is restored", file=sys.stderr)
        return 130
    finally:
        shutil.rmtree(config, ignore_errors=True)
        if args.json and report["libraries"]:
            with open(args.json, "w") as f:
                json.dump(report, f, indent=2)
                f.write("\n")

    if all_survivors:
        print("\nSurviving mutants:")
        for path, m in all_survivors:
            print(f"{path}:{m.line}: {m.describe()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
