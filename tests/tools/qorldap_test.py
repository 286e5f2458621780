#!/usr/bin/env python3
"""The qorldap command against the test directory: every subcommand, its
exit status, its --json output, and never a password in what it prints."""
import json
import os
import pty
import shutil
import socket
import sqlite3
import subprocess
import sys
import tempfile
import unittest

TOOL = sys.argv.pop(1)
SLAPPASSWD = "/usr/sbin/slappasswd"


def slapd_values():
    values = {}
    with open(os.environ["QOR_SLAPD_ENV"]) as f:
        for line in f:
            key, sep, value = line.rstrip("\n").partition("=")
            if sep:
                values[key] = value
    return values


class Qorldap(unittest.TestCase):
    SECRETS = ["Secret123", "Change-Old-1", "Tool-New-Pass-9", "Bind-Secret-7", "Hash-Me-5", "wrong-guess-3",
               "Policy-Pass-1", "Tiny-1"]

    @classmethod
    def setUpClass(cls):
        cls.dir = slapd_values()
        cls.registry = tempfile.mkdtemp(prefix="qorldap-tool-")
        cls.env = dict(os.environ, QORLDAP9_REGISTRY_DIR=cls.registry, LDAPTLS_CACERT=cls.dir["LDAPTLS_CACERT"])
        cls.hosts = "127.0.0.1:" + cls.dir["LDAP_PORT"]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.registry, ignore_errors=True)

    def run_tool(self, *args, stdin="", expect=None, env=None, **kw):
        p = subprocess.run([TOOL, *args], input=stdin, capture_output=True, text=True, env=env or self.env,
                           timeout=60, **kw)
        for secret in self.SECRETS:
            self.assertNotIn(secret, p.stdout, f"password printed by {args}")
            self.assertNotIn(secret, p.stderr, f"password printed by {args}")
        if expect is not None:
            self.assertEqual(p.returncode, expect, f"{args}: {p.stdout} {p.stderr}")
        return p

    def json_of(self, *args, stdin="", expect=0, env=None):
        p = self.run_tool("--json", *args, stdin=stdin, expect=expect, env=env)
        return json.loads(p.stdout)

    def make_profile(self, name, *extra):
        self.run_tool("set", name, "--hosts", self.hosts, "--base", "dc=example,dc=com", "--posix", *extra, expect=0)

    def test_profiles_set_show_list_delete(self):
        self.make_profile("tool-a", "--anonymous", "--gstring", "hello", "--timeout", "7")
        shown = self.json_of("show", "tool-a")
        self.assertTrue(shown["ok"])
        self.assertEqual(shown["hosts"], [self.hosts])
        self.assertEqual(shown["base"], "dc=example,dc=com")
        self.assertEqual(shown["gstring"], "hello")
        self.assertEqual(shown["timeout"], 7)
        self.assertEqual(shown["modes"], ["posix", "anonymous"])
        self.assertEqual(shown["location"], 0)
        self.assertIn("tool-a", self.json_of("list")["profiles"])
        self.assertEqual(self.json_of("delete", "tool-a")["name"], "tool-a")
        self.assertNotIn("tool-a", self.json_of("list")["profiles"])
        gone = self.json_of("show", "tool-a", expect=1)
        self.assertFalse(gone["ok"])

    def test_bind_password_is_stored_but_masked(self):
        self.make_profile("tool-bind", "--simple", "--bind-dn", "uid=jdoe,ou=people,dc=example,dc=com")
        self.run_tool("set", "tool-bind", "--bind-password-stdin", stdin="Secret123\n", expect=0)
        shown = self.json_of("show", "tool-bind")
        self.assertEqual(shown["bind_password"], "********")
        self.assertEqual(shown["modes"], ["posix", "simple"])
        self.assertTrue(self.json_of("verify", "tool-bind")["ok"])
        self.run_tool("set", "tool-bind", "--bind-password-stdin", stdin="wrong-guess-3\n", expect=0)
        refused = self.json_of("verify", "tool-bind", expect=1)
        self.assertEqual(refused["code"], 49)
        self.assertEqual(refused["reason"], "invalid_credentials")

    def test_set_takes_servers_as_ldap_tools_do(self):
        port = self.dir["LDAP_PORT"]
        taken = [  # arguments; the hosts, port and ssl shown; whether the test directory answers
            (["--host", "127.0.0.1", "--port", port], ["127.0.0.1"], int(port), 0, True),
            (["--hosts", f"ldap://127.0.0.1:{port}/"], [f"127.0.0.1:{port}"], 389, 0, True),
            (["--host", "ldap.example.com:389", "--host", "x-1.example.com"],
             ["ldap.example.com:389", "x-1.example.com"], 389, 0, False),
            (["--hosts", "[::1]:636,[2001:db8::7]"], ["[::1]:636", "[2001:db8::7]"], 389, 0, False),
            (["--hosts", "LDAPS://ldap.example.com ldaps://[::ffff:1.2.3.4]:1636"],
             ["ldap.example.com", "[::ffff:1.2.3.4]:1636"], 636, 1, False),
            (["--hosts", "", "--host", "ldap1:389", "--host", "ldap2:636", "--host", "ldap1:389"],
             ["ldap1:389", "ldap2:636"], 389, 0, False),
        ]
        for args, hosts, shown_port, ssl, answers in taken:
            with self.subTest(args=args):
                self.run_tool("delete", "tool-hosts")
                self.run_tool("set", "tool-hosts", "--base", "dc=example,dc=com", "--anonymous", *args, expect=0)
                shown = self.json_of("show", "tool-hosts")
                self.assertEqual((shown["hosts"], shown["port"], shown["ssl"]), (hosts, shown_port, ssl))
                if answers:
                    self.assertTrue(self.json_of("verify", "tool-hosts")["ok"])

    def test_set_refuses_what_it_cannot_keep(self):
        hosts = " ".join(f"ldap{i}.example.com:389" for i in range(8))  # 167 characters
        refused = [  # arguments, a part of the reason
            (["--host", "bad_host"], "letters, digits"), (["--host", "-bad.example.com"], "'-'"),
            (["--host", "::1"], "brackets"), (["--host", "[::g]"], "not an IPv6"), (["--host", "[::1"], "']'"),
            (["--host", "10.0.0.256"], "IPv4"), (["--host", "ldap:0"], "port"), (["--host", "ldap:x"], "port"),
            (["--hosts", "http://ldap"], "ldaps://"), (["--hosts", "ldap://ldap/dc=x"], "DN"),
            (["--hosts", "ldap://a ldaps://b"], "all ldap://"), (["--hosts", "ldaps://b", "--ssl", "0"], "--ssl 1"),
            (["--hosts", ""], "no server"), (["--hosts", hosts], "at most 159"),
            (["--base", "d" * 2003], "at most 1023"), (["--bind-dn", "d" * 256], "at most 255"),
            (["--gstring", "g" * 255], "at most 254"), (["--ssl", "3"], "--ssl"), (["--timeout", "-1"], "--timeout"),
            (["--size-limit", "-1"], "--size-limit"), (["--referrals", "-1"], "--referrals"),
        ]
        names = [("n" * 51, "at most 50"), ("a\\b", "'\\'"), ("caf" + os.fsdecode(b"\xe9"), "UTF-8")]
        for args, reason in [(["tool-refused", *a], r) for a, r in refused] + [([n, "--base", "x"], r) for n, r in names]:
            with self.subTest(args=args):
                hosts_given = "--hosts" in args
                p = self.run_tool("set", *args, *([] if hosts_given else ["--hosts", self.hosts]), expect=2)
                self.assertIn(reason, p.stderr)
        self.run_tool("show", "tool-refused", expect=1)
        self.assertNotIn(names[1][0], self.json_of("list")["profiles"])

    def test_verify_and_schema(self):
        self.make_profile("tool-v", "--anonymous")
        self.assertTrue(self.json_of("verify", "tool-v")["ok"])
        self.assertTrue(self.json_of("schema", "tool-v")["ok"])
        self.run_tool("set", "tool-v", "--base", "ou=empty,dc=example,dc=com", expect=0)
        self.assertEqual(self.json_of("schema", "tool-v", expect=1)["code"], 7011)
        text = self.run_tool("schema", "tool-v", expect=1)
        self.assertIn("7011", text.stderr)

    def test_check_and_change_a_password(self):
        self.make_profile("tool-pw", "--anonymous")
        self.assertTrue(self.json_of("check", "tool-pw", "jdoe", "--password-stdin", stdin="Secret123\n")["ok"])
        wrong = self.json_of("check", "tool-pw", "jdoe", "--password-stdin", stdin="wrong-guess-3\n", expect=1)
        self.assertEqual(wrong["code"], 7020)
        self.run_tool("passwd", "tool-pw", "change5", "--password-stdin",
                      stdin="Change-Old-1\nTool-New-Pass-9\n", expect=0)
        self.run_tool("check", "tool-pw", "change5", "--password-stdin", stdin="Tool-New-Pass-9\n", expect=0)
        self.run_tool("check", "tool-pw", "change5", "--password-stdin", stdin="Change-Old-1\n", expect=1)
        refused = self.json_of("passwd", "tool-pw", "change5", "--password-stdin",
                               stdin="Change-Old-1\nSecret123\n", expect=1)
        self.assertEqual(refused["code"], 7015)

    def test_password_stdin_reads_a_terminal_without_prompting(self):
        self.make_profile("tool-tty", "--anonymous")
        master, slave = pty.openpty()
        try:
            os.write(master, b"Secret123\n")
            p = subprocess.run([TOOL, "check", "tool-tty", "jdoe", "--password-stdin"], stdin=slave,
                               capture_output=True, text=True, env=self.env, timeout=10)
        finally:
            os.close(slave)
            os.close(master)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertNotIn("Password for", p.stderr)
        self.assertNotIn("Secret123", p.stdout + p.stderr)

    def test_reasons_are_told(self):
        self.make_profile("tool-why", "--anonymous")
        expired = self.json_of("check", "tool-why", "ppexpired", "--password-stdin", stdin="Policy-Pass-1\n", expect=1)
        self.assertEqual((expired["code"], expired["reason"]), (7020, "password_expired"))
        self.assertIn("diagnostic", expired)
        text = self.run_tool("check", "tool-why", "ppexpired", "--password-stdin", stdin="Policy-Pass-1\n", expect=1)
        self.assertIn("password of ppexpired: refused — the password has expired", text.stderr)
        reset = self.run_tool("check", "tool-why", "ppreset", "--password-stdin", stdin="Policy-Pass-1\n", expect=0)
        self.assertIn("verified — the password must be changed at the next logon", reset.stdout)
        grace = self.run_tool("check", "tool-why", "ppgrace", "--password-stdin", stdin="Policy-Pass-1\n", expect=0)
        self.assertRegex(grace.stdout, r"verified — the password has expired \(\d+ grace logins left\)")
        warned = self.run_tool("check", "tool-why", "ppwarned", "--password-stdin", stdin="Policy-Pass-1\n", expect=0)
        self.assertRegex(warned.stdout, r"verified — the password expires in 36[45] days")
        short = self.run_tool("passwd", "tool-why", "ppquality", "--password-stdin",
                              stdin="Policy-Pass-1\nTiny-1\n", expect=1)
        self.assertIn("the directory refused the new password: the password is too short", short.stderr)
        self.assertEqual(self.json_of("passwd", "tool-why", "ppquality", "--password-stdin",
                                      stdin="Policy-Pass-1\nTiny-1\n", expect=1)["reason"], "too_short")
        self.run_tool("set", "tool-why", "--hosts", "127.0.0.1:" + self.dir["LDAPS_PORT"], "--ssl", "1", expect=0)
        untrusted = dict(self.env, LDAPTLS_CACERT="/etc/ssl/certs/ca-certificates.crt")
        for command in (["check", "tool-why", "jdoe", "--password-stdin"], ["verify", "tool-why"],
                        ["schema", "tool-why"]):
            p = self.run_tool(*command, stdin="Secret123\n", env=untrusted, expect=1)
            self.assertIn("TLS: the server's certificate is not trusted (set LDAPTLS_CACERT)", p.stderr)
            self.assertEqual(self.json_of(*command, stdin="Secret123\n", env=untrusted, expect=1)["reason"],
                             "tls_certificate")
        p = self.run_tool("verify", "tool-why", env=dict(self.env, LDAPTLS_CACERT="/nonexistent/ca.pem"), expect=1)
        self.assertIn("the CA file /nonexistent/ca.pem (LDAPTLS_CACERT) does not exist", p.stderr)

    def test_an_outage_has_its_own_exit_status(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            closed = "127.0.0.1:%d" % s.getsockname()[1]
        self.run_tool("set", "tool-down", "--hosts", closed + " " + self.hosts, "--base", "dc=example,dc=com",
                      "--anonymous", expect=0)
        told = self.run_tool("-v", "verify", "tool-down", expect=0)
        self.assertRegex(told.stderr, "trying %s\n.*%s: could not reach after [0-9.]+ s\n.*trying %s\n" %
                         (closed, closed, self.hosts))
        self.run_tool("set", "tool-down", "--hosts", closed, expect=0)
        down = self.run_tool("check", "tool-down", "jdoe", "--password-stdin", stdin="Secret123\n", expect=4)
        self.assertIn("could not reach — no server of the profile could be reached", down.stderr)
        self.assertEqual(self.json_of("verify", "tool-down", expect=4)["reason"], "server_down")

    def test_hash_check(self):
        stored = subprocess.run([SLAPPASSWD, "-h", "{SSHA}", "-s", "Hash-Me-5"], capture_output=True, text=True,
                                check=True).stdout.strip()
        self.assertTrue(self.json_of("hash-check", stored, stdin="Hash-Me-5\n")["match"])
        self.assertFalse(self.json_of("hash-check", stored, stdin="wrong-guess-3\n", expect=1)["match"])
        self.run_tool("hash-check", stdin=stored + "\nHash-Me-5\n", expect=0)

    def test_fallback_flag(self):
        self.make_profile("tool-fb")
        self.assertEqual(self.json_of("fallback", "set", "1")["value"], 1)
        self.assertTrue(self.json_of("fallback", "get")["fallback"])
        self.json_of("fallback", "set", "2")
        self.assertFalse(self.json_of("fallback")["fallback"])

    def test_store_problems_are_told(self):
        store = tempfile.mkdtemp(prefix="qorldap-store-")
        self.addCleanup(shutil.rmtree, store, True)
        os.chmod(store, 0o755)
        env = dict(self.env, QORLDAP9_REGISTRY_DIR=store)
        db = os.path.join(store, "current_user.db")
        # A store nothing was saved in yet lists nothing.
        self.assertEqual(self.run_tool("list", env=env, expect=0).stdout, "")
        self.assertEqual(self.json_of("list", env=env), {"ok": True, "profiles": []})
        self.run_tool("set", "kept", "--hosts", self.hosts, env=env, expect=0)
        as_other = {"user": 65534} if os.geteuid() == 0 else {}
        os.chmod(db, 0o000)
        with self.subTest("a store file the user may not read"):
            try:
                p = self.run_tool("show", "kept", env=env, expect=1, **as_other)
            except PermissionError:
                self.skipTest("user nobody cannot run %s (the build tree lies in a folder closed to other users)"
                              % TOOL)
            self.assertIn("permission denied reading " + db, p.stderr)
        os.chmod(db, 0o600)
        os.chmod(store, 0o777)
        for command in (["show", "kept"], ["list"], ["set", "kept", "--hosts", self.hosts]):
            p = self.run_tool(*command, env=env, expect=1)
            self.assertIn(store + " is writable by others", p.stderr)
        os.chmod(store, 0o755)
        with open(db, "r+b") as f:
            f.write(b"not a database" * 100)
        with open(db, "rb") as f:
            damaged = f.read()
        for command in (["show", "kept"], ["list"]):
            p = self.run_tool(*command, env=env, expect=1)
            self.assertIn("the store %s failed its integrity check and is kept untouched" % db, p.stderr)
        with open(db, "rb") as f:
            self.assertEqual(f.read(), damaged)

    def test_json_is_utf8_for_any_name_and_error(self):
        self.make_profile("tool-latin")
        with sqlite3.connect(os.path.join(self.registry, "current_user.db")) as db:
            db.execute("UPDATE keys SET name = CAST(X'746f6f6c2de9' AS TEXT) WHERE name = 'tool-latin'")
        p = subprocess.run([TOOL, "--json", "list"], capture_output=True, env=self.env, timeout=60)
        self.assertIn("tool-\u00e9", json.loads(p.stdout.decode("utf-8"))["profiles"])
        for args in (["--json"], ["--json", "no-such-command"], ["--json", "--location", "7", "list"],
                     ["--json", "show"]):
            told = self.json_of(*args[1:], expect=2)
            self.assertFalse(told["ok"])
            self.assertTrue(told["message"])

    def test_exit_statuses_and_help(self):
        for sub in ["list", "show", "set", "delete", "fallback", "verify", "schema", "check", "passwd", "hash-check"]:
            p = self.run_tool(sub, "--help", expect=0)
            self.assertIn("Usage", p.stdout)
        version = self.run_tool("--version", expect=0)
        self.assertRegex(version.stdout, r"^qorldap \d+\.\d+\.\d+ \(library qorldap9 \d+\.\d+\.\d+\)\n$")
        for args in ([], ["no-such-command"], ["--location", "7", "list"], ["set"]):
            self.assertRegex(self.run_tool(*args, expect=2).stderr, "^qorldap: ")
        self.assertIn("unknown subcommand 'no-such-command'", self.run_tool("no-such-command", expect=2).stderr)
        for spelling in ("--ldap-version", "--version"):
            self.make_profile("tool-v2", spelling, "2")
            self.assertEqual(self.json_of("show", "tool-v2")["version"], 2)
        self.make_profile("tool-x")
        self.run_tool("check", "tool-x", "jdoe", "--password-stdin", stdin="", expect=3)
        self.run_tool("delete", "tool-x", "--location", "2", expect=2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
