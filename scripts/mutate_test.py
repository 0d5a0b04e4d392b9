#!/usr/bin/env python3
"""The mutation rules of mutate.py: what they change, what they must leave alone."""

import os
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutate  # noqa: E402


def mutated_lines(source, kind):
    """Each mutant of the given kind, as the whole mutated source with blank lines dropped."""
    return [
        "\n".join(line for line in mutate.apply_mutant(source, m).split("\n") if line.strip())
        for m in mutate.find_mutants(source)
        if m.kind == kind
    ]


class MaskTest(unittest.TestCase):
    def test_only_code_survives(self):
        # Each source with the parts that must be blanked out.
        cases = [
            ('a = "x < y";', ['"x < y"']),
            ("a = 'x';", ["'x'"]),
            ("a = '\\'';", ["'\\''"]),
            ('a = "\\"<\\"";', ['"\\"<\\""']),
            ("a = b; // c < d", ["// c < d"]),
            ("a /* < */ = b;", ["/* < */"]),
            ('a = R"(x"<)";', ['"(x"<)"']),
            ('a = u8R"q(")")q";', ['"q(")")q"']),
            ('a = u"<";', ['"<"']),
            ("n = 1'000 < m;", []),
            ("x = 1e-5;", []),
            ("#include <a>\nb < c", ["#include <a>"]),
            ("  #define A(x) \\\n  x < 1\nb < c", ["#define A(x) \\\n  x < 1"]),
            ("a /* x\n< */ b", ["/* x\n< */"]),
        ]
        for source, parts in cases:
            expected = source
            for part in parts:
                expected = expected.replace(part, "".join(c if c == "\n" else " " for c in part))
            with self.subTest(source=source):
                self.assertEqual(mutate.mask_source(source), expected)

    def test_unterminated_input_does_not_hang(self):
        for source in ['a = "abc', "a = 'b", "/* open", 'R"x(never', "#if A \\"]:
            with self.subTest(source=source):
                self.assertEqual(len(mutate.mask_source(source)), len(source))


class RulesTest(unittest.TestCase):
    def test_each_kind(self):
        cases = [
            ("relational", "x = a < b;", ["x = a >= b;"]),
            ("relational", "x = a <= b;", ["x = a > b;"]),
            ("relational", "x = a == b;\ny = c != d;", ["x = a != b;\ny = c != d;",
                                                         "x = a == b;\ny = c == d;"]),
            ("relational", "x = f(a)\n    >= b;", ["x = f(a)\n    < b;"]),
            ("logical", "x = a && b || c;", ["x = a || b || c;", "x = a && b && c;"]),
            ("arithmetic", "x = a + 1;", ["x = a - 1;"]),
            ("arithmetic", "x = a[i - 1];", ["x = a[i + 1];"]),
            ("boolean", "{\n    return true;\n}", ["{\n    return false;\n}"]),
            ("constant", "x = 0;", ["x = 1;"]),
            ("constant", "x = 10;", ["x = 11;", "x = 9;"]),
            ("negate", "if (a && b)\n    f();", ["if (!(a && b))\n    f();"]),
            ("negate", "} else if (a) {", ["} else if (!(a)) {"]),
            ("negate", "if (auto x = f(); x > 0)\n    g();", ["if (auto x = f(); !(x > 0))\n    g();"]),
            ("negate", "if (a\n    || b)\n    f();", ["if (!(a\n    || b))\n    f();"]),
            ("delete", "{\n    f(x);\n}", ["{\n}"]),
            ("delete", "{\na = b;\n++i;", ["{\n++i;", "{\na = b;"]),
        ]
        for kind, source, expected in cases:
            with self.subTest(kind=kind, source=source):
                self.assertEqual(mutated_lines(source, kind), expected)

    def test_what_is_left_alone(self):
        operators = {"relational", "logical", "arithmetic", "negate", "boolean"}
        everything = operators | {"constant", "delete"}
        cases = [
            ("templates", operators, "QList<int> a; std::map<K, V> m; static_cast<int>(x);"),
            ("template heads", operators, "template <typename T> T f();"),
            ("arrows and shifts", operators,
             "p->x = a << 2 >> b; auto f() -> int; c <<= 1; d >>= 1;"),
            ("spaceship", operators, "auto c = a <=> b;"),
            ("rvalue references", operators,
             "void f(T &&x); auto &&[a, b] = g(); X(X &&) = default;"),
            ("unary minus", operators, "x = -1;"),
            ("literals", everything, "s = \"a < b && 1\"; c = '<'; // a == 2\n/* if (x) */"),
            ("preprocessor", everything, "#if A > 1\n#define B (C + 1)\n#endif"),
            ("floats and hex", {"constant"},
             "x = 1.5 + .5 + 1e5 + 2e-3 + 0x10 + 0b11 + 5u + 1'000;"),
            ("names with digits", {"constant"}, "utf8(); x16 = u16;"),
            ("operator definitions", operators,
             "bool operator<(const A &) const; bool operator==(A) = default;"),
            ("assertions", everything,
             "{\nQ_ASSERT(a < b);\nassert(i == 0);\nstatic_assert(N > 1);\nQ_UNUSED(x);"),
            ("if constexpr", {"negate"}, "if constexpr (N)\n    f();"),
        ]
        for name, kinds, source in cases:
            with self.subTest(name=name):
                self.assertEqual([m for m in mutate.find_mutants(source) if m.kind in kinds], [])

    def test_declarations_and_control_are_not_deleted(self):
        for statement in [
            "int x;",
            "const auto end = f();",
            "QList<QString> parts{a, b};",
            "static QFile file(path);",
            "const char16_t *p = s.data();",
            "QString &out = s;",
            "return x;",
            "using A = B;",
            "case 3: f();",
            "qWarning() << x;",
            "Q_EMIT changed();",
        ]:
            with self.subTest(statement=statement):
                source = "{\n    " + statement + "\n}"
                self.assertEqual(mutated_lines(source, "delete"), [])

    def test_only_whole_statements_are_deleted(self):
        for source in [
            "if (a)\n    f();",  # the body of an if without braces
            "else\n    f();",
            "f(a,\n  b);",  # the tail of a statement
            "x = {\n    {1, 2}};",
            "for (;;) { f(); }",
            "g(); f();",
            "}\n} while (x);",
        ]:
            with self.subTest(source=source):
                self.assertEqual(mutated_lines(source, "delete"), [])

    def test_negating_a_declaring_condition_is_skipped(self):
        for source in ["if (auto *w = cast(o))\n    f();", "if (const int n = g())\n    f();"]:
            with self.subTest(source=source):
                self.assertEqual(mutated_lines(source, "negate"), [])

    def test_descriptions_show_the_changed_line(self):
        source = "int f() {\n    return a < b; // why\n}\n"
        [m] = [m for m in mutate.find_mutants(source) if m.kind == "relational"]
        self.assertEqual((m.line, m.describe()), (2, "return a < b; // why -> return a >= b; // why"))


class SamplingTest(unittest.TestCase):
    SOURCE = "\n".join(f"x{i} = a < b && c + 1 == {i};\nif (y{i})\n    f();" for i in range(30))

    def test_same_seed_same_mutants(self):
        candidates = mutate.find_mutants(self.SOURCE)
        one = mutate.sample_mutants(candidates, 8, "1", "a.cpp")
        again = mutate.sample_mutants(mutate.find_mutants(self.SOURCE), 8, "1", "a.cpp")
        other = mutate.sample_mutants(candidates, 8, "2", "a.cpp")
        self.assertEqual([(m.start, m.replacement) for m in one],
                         [(m.start, m.replacement) for m in again])
        self.assertNotEqual([(m.start, m.replacement) for m in one],
                            [(m.start, m.replacement) for m in other])

    def test_kinds_take_turns(self):
        sample = mutate.sample_mutants(mutate.find_mutants(self.SOURCE), 6, "1", "a.cpp")
        self.assertEqual(len({m.kind for m in sample}), 6)

    def test_counts(self):
        candidates = mutate.find_mutants(self.SOURCE)
        for count, expected in [(1, 1), (5, 5), (10_000, len(candidates))]:
            with self.subTest(count=count):
                self.assertEqual(len(mutate.sample_mutants(candidates, count, "1", "a")), expected)
        self.assertEqual(mutate.sample_mutants([], 4, "1", "a"), [])


class TestBinariesTest(unittest.TestCase):
    def test_gui_label_excludes(self):
        cmake = """
# sumwise_add_test(commented_out SOURCES a.cpp)
sumwise_add_test(a_tests SOURCES a.cpp ${X}/b.cpp LIBS a)
sumwise_add_test(b_guitests NO_MAIN SOURCES b.cpp LIBS a PROPERTIES LABELS gui TIMEOUT 120)
sumwise_add_test(c_tests
    SOURCES c.cpp
    LIBS a PROPERTIES LABELS slow;gui)
sumwise_add_test(d_tests SOURCES d.cpp PROPERTIES LABELS slow TIMEOUT 10)
"""
        self.assertEqual(mutate.test_binaries(cmake), ["a_tests", "d_tests"])


def dies(pid):
    """Whether pid is gone or a zombie, once a SIGKILL sent to it had time to land."""
    for _ in range(200):
        try:
            with open(f"/proc/{pid}/stat") as f:
                if f.read().rsplit(") ", 1)[1][0] in "ZX":
                    return True
        except FileNotFoundError:
            return True
        time.sleep(0.05)
    return False


class RunGroupTest(unittest.TestCase):
    def test_status_and_leftovers(self):
        with tempfile.TemporaryDirectory() as tmp:
            pidfile = os.path.join(tmp, "pid")
            cases = [
                ("exit status", "exit 3", 60, 3),
                ("crash", "kill -SEGV $$", 60, -11),
                # A child that still holds the output must neither keep us waiting nor live on.
                ("leftover child", f"sleep 600 & echo $! > {pidfile}; exit 0", 60, 0),
                ("hang", f"sleep 600 & echo $! > {pidfile}; wait", 0.5, None),
            ]
            for name, script, timeout, expected in cases:
                with self.subTest(name=name):
                    self.assertEqual(mutate.run_group(["sh", "-c", script], tmp, timeout), expected)
                    if os.path.exists(pidfile):
                        with open(pidfile) as f:
                            pid = int(f.read())
                        os.unlink(pidfile)
                        self.assertTrue(dies(pid), f"{name}: process {pid} lives on")


class WorkspaceTest(unittest.TestCase):
    def test_restore_and_recover(self):
        with tempfile.TemporaryDirectory() as tmp:
            source = os.path.join(tmp, "a.cpp")
            original = b"int a = 1;\r\n\xef\xbb\xbf// no newline at the end"
            with open(source, "wb") as f:
                f.write(original)
            os.chmod(source, 0o640)
            workspace = mutate.Workspace(os.path.join(tmp, "build"), root=tmp)

            workspace.mutate(source, original, b"int a = 2;")
            workspace.restore(source, original)
            with open(source, "rb") as f:
                self.assertEqual(f.read(), original)
            self.assertEqual(os.stat(source).st_mode & 0o777, 0o640)
            self.assertEqual(os.listdir(tmp), ["a.cpp", "build"])

            # A run killed before it could restore: the next one puts the original back.
            workspace.mutate(source, original, b"int a = 2;")
            mutate.Workspace(os.path.join(tmp, "build"), root=tmp).recover()
            with open(source, "rb") as f:
                self.assertEqual(f.read(), original)
            backups = [files for _, _, files in os.walk(workspace.backup_dir)]
            self.assertEqual(sum(backups, []), [])


if __name__ == "__main__":
    unittest.main()
