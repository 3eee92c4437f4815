#!/usr/bin/env python3
"""The dependency check of the test command: every outside program that the project's shell
scripts start must come from a package that tools/install-deps.sh names, from one that those
pull in (apt-cache depends, recursively) or from the base system (Priority required, or
Essential). What a program loads by name (an Xorg driver named in a config, a data folder
under /usr/share) must come from a package named there itself. The programs are read from
the scripts' command words, so a new script or line is checked without a list to keep.
Prints each fault with its script, line and package; exits 1 if there is any."""
import re
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SEPARATORS = {";", "&&", "||", "|", "|&", "&", "\n", "`"}
KEEP_COMMAND = {"if", "then", "else", "elif", "do", "while", "until", "!", "{", "time"}
# Programs as a fresh Debian system finds them: not a user's shims or /usr/local.
SYSTEM_PATH = "/usr/sbin:/usr/bin:/sbin:/bin"
# Commands that start the command after their options: option letters taking a value.
WRAPPERS = {"env": "u", "timeout": "sk", "sudo": "ug", "xargs": "dIn", "nice": "n", "exec": ""}


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=False).stdout


def closing(text, i, open_, close):  # index past the bracket matching the one before i
    depth = 1
    while i < len(text) and depth:
        depth += (text[i] == open_) - (text[i] == close)
        i += 1
    return i


def tokens(text, line=1):  # (line, kind, text): kind "op" or "word"; heredocs and comments dropped
    out, i, word, heredocs = [], 0, None, []
    while i < len(text):
        c, two = text[i], text[i:i + 2]
        if c in " \t\n;&|()<>`" and word is not None and not (c in "<>" and word.isdigit()):
            out.append((line, "word", word))
            word = None
        if c == "\n":
            out.append((line, "op", "\n"))
            line, i = line + 1, i + 1
            for delim in heredocs:  # skip each body up to its delimiter line
                while i < len(text):
                    end = text.find("\n", i) % (len(text) + 1)
                    body, i, line = text[i:end], end + 1, line + 1
                    if body.strip() == delim:
                        break
            heredocs = []
        elif c in " \t" or two == "\\\n":
            i += 1 + (two == "\\\n")
            line += two == "\\\n"
        elif c == "\\":
            word, i = (word or "") + text[i + 1:i + 2], i + 2
        elif c == "#" and word is None:
            i = text.find("\n", i) % (len(text) + 1)
        elif c in "<>" or two == "&>":
            m = re.match(r"(<<-?)\s*['\"]?(\w+)['\"]?|<\(|>\(|&>>?|[<>]+&?|<<<", text[i:])
            if m.group(1):
                heredocs.append(m.group(2))
            else:
                out.append((line, "op", "$(" if m.group(0) in ("<(", ">(") else "redirect"))
            i += len(m.group(0))
        elif two in ("&&", "||", "|&", ";;") or c in ";&|()`":
            op = two if two in ("&&", "||", "|&", ";;") else c
            out.append((line, "op", op))
            i += len(op)
        elif c == "'":
            end = text.index("'", i + 1)
            line += text.count("\n", i, end)
            word, i = (word or "") + "'", end + 1
        elif c == '"':  # literal text, but the commands of its $( ) count
            j, literal = i + 1, ""
            while text[j] != '"':
                if text[j] == "\\":
                    j += 1
                elif text[j:j + 3] == "$((":  # arithmetic, no command
                    j, literal = closing(text, j + 3, "(", ")"), literal + "$N"
                elif text[j:j + 2] == "$(":
                    end = closing(text, j + 2, "(", ")")
                    out += [(line, "op", "$(")] + tokens(text[j + 2:end - 1], line) + [(line, "op", ")")]
                    j, literal = end - 1, literal + "$X"
                else:
                    literal += text[j]
                j += 1
            line += text.count("\n", i, j)
            word, i = (word or "") + literal, j + 1
        elif two == "$(":
            if text[i:i + 3] == "$((":
                end = closing(text, i + 3, "(", ")") + 1
                word, i = (word or "") + "$N", end
            else:
                if word is not None:
                    out.append((line, "word", word))
                    word = None
                out.append((line, "op", "$("))
                i += 2
        elif two == "${":
            end = closing(text, i + 2, "{", "}")
            for inner in re.findall(r"\$\((.*)\)", text[i:end]):
                out += [(line, "op", "$(")] + tokens(inner, line) + [(line, "op", ")")]
            word, i = (word or "") + text[i:end], end
        else:
            word, i = (word or "") + c, i + 1
    if word is not None:
        out.append((line, "word", word))
    return out


def assignments(text):  # variable -> first word of each value given to it
    values = {}
    for name, value in re.findall(r"(?m)(?:^|[\s;(])(\w+)=\(?[\"']?([^\s\"';)]*)", text):
        values.setdefault(name, set()).add(value)
    return values


def commands(text):  # (line, program) for each command word; functions and builtins included
    found, toks, values = [], tokens(text), assignments(text)
    expect, state, i, outer = True, None, 0, []
    while i < len(toks):
        line, kind, tok = toks[i]
        nxt = toks[i + 1][2] if i + 1 < len(toks) else ""
        i += 1
        if state == "pattern":  # a case pattern runs up to its ")"
            if tok == "esac":
                state, expect = None, False
            elif tok == ")":
                state, expect = None, True
            continue
        if kind == "op":
            if tok in ("(", "$("):
                outer.append(expect)
            elif tok == ")":
                expect = outer.pop() if outer else True
                continue
            if tok == "redirect":
                i += 1
            elif tok == ";;":
                state = "pattern"
            expect = expect or tok in SEPARATORS or tok in ("(", "$(")
            continue
        if re.match(r"^\w+(\[[^]]*\])?\+?=$", tok) and nxt == "(":  # an array's words are data
            while i < len(toks) and toks[i][2] != ")":
                i += 1
            i += 1
            continue
        if tok == "--" and not nxt.startswith("-"):  # the command that another program starts
            expect = True
            continue
        if not expect:
            if tok == "in" and state == "case":
                state = "pattern"
            continue
        if re.match(r"^\w+(\[[^]]*\])?\+?=", tok):
            continue
        if nxt == "(" and i + 1 < len(toks) and toks[i + 1][2] == ")":  # a function definition
            i += 2
            continue
        if tok in KEEP_COMMAND:
            continue
        expect = False
        if tok in ("for", "case", "select"):
            state = "case" if tok == "case" else None
            continue
        program = resolve(tok, values)
        if program is None:
            continue
        found.append((line, program))
        if program in WRAPPERS or program == "run_suite":
            expect = True
            i = skip_options(toks, i, WRAPPERS.get(program, ""), program == "run_suite")
    return found


def skip_options(toks, i, takes_value, one_word):
    if one_word:
        return i + 1
    while i < len(toks) and toks[i][1] == "word" and (toks[i][2][0] == "-" or "=" in toks[i][2] or toks[i][2][0].isdigit()):
        i += 1 + (len(toks[i][2]) == 2 and toks[i][2][1] in takes_value)
    return i


def resolve(word, values):  # the program a command word names; None for a project file or unknown variable
    word = word.replace("'", "")
    m = re.fullmatch(r"\$\{?(\w+)(\[@\])?\}?", word)
    if m:
        named = [v for v in values.get(m.group(1), ()) if v and not v.startswith("$")]
        return named[0] if named else None
    return None if "$" in word or (word and word[0] not in "/" and "/" in word) else word or None


def named_packages():
    text = (ROOT / "tools/install-deps.sh").read_text()
    block = re.search(r"packages=\((.*?)\n\)", text, re.S).group(1)
    return {w for line in block.splitlines() for w in line.split("#")[0].split()}


def pulled_in(packages):
    out = run("apt-cache", "depends", "--recurse", "--no-recommends", "--no-suggests", "--no-conflicts",
              "--no-breaks", "--no-replaces", "--no-enhances", *sorted(packages))
    return {re.sub(r"^.*?: |[<>]|:\w+$", "", line.strip()) for line in out.splitlines()} | packages


def file_owners():  # path -> packages, from dpkg's lists; /bin and /usr/bin alike (merged /usr)
    index = {}
    for listing in Path("/var/lib/dpkg/info").glob("*.list"):
        package = listing.stem.split(":")[0]
        for path in listing.read_text(errors="replace").split("\n"):
            index.setdefault(re.sub("^/usr/", "/", path), set()).add(package)
    return index


def owners(index, path):  # the packages that installed path, as named or as its links resolve
    return index.get(re.sub("^/usr/", "/", path), set()) | index.get(re.sub("^/usr/", "/", str(Path(path).resolve())), set())


def main():
    scripts = sorted(p for p in (ROOT / "tools").rglob("*.sh")) + sorted(ROOT.glob("tests/*/run.sh")) + [ROOT / ".ci/run"]
    texts = {s.relative_to(ROOT): s.read_text() for s in scripts if s.exists()}
    skip = set(run("bash", "-c", "compgen -b -k").split())
    skip |= {f for t in texts.values() for f in re.findall(r"(?m)^\s*(\w[\w-]*)\(\)", t)}
    named = named_packages()
    allowed = pulled_in(named)
    for line in run("dpkg-query", "-W", "-f", "${Package} ${Priority} ${Essential}\n").splitlines():
        package, priority, essential = (line.split() + ["", ""])[:3]
        if priority == "required" or essential == "yes":
            allowed.add(package)
    faults, seen, index = [], set(), file_owners()
    for script, text in texts.items():
        for line, program in commands(text):
            if program in skip or program in seen or Path(program).name.startswith("zarvane"):  # ours
                continue
            seen.add(program)
            path = shutil.which(program, path=SYSTEM_PATH)
            where = f"{script}:{line}: {program}"
            if not path:
                faults.append(f"{where}: not installed; add the package that provides it to tools/install-deps.sh")
            elif not owners(index, path) & allowed:
                faults.append(f"{where}: from package {', '.join(sorted(owners(index, path))) or '(none)'}, which tools/install-deps.sh does not name or pull in")
        for kind, path in [("driver", f"/usr/lib/xorg/modules/drivers/{d}_drv.so") for d in re.findall(r'Driver\s+"(\w+)"', text)] + \
                [("data", p) for p in re.findall(r"=(/usr/share/[\w./-]+)", text)]:
            if not owners(index, path) & named:
                faults.append(f"{script}: {kind} {path} loaded by name: from package {', '.join(sorted(owners(index, path))) or '(not installed)'}, which tools/install-deps.sh must name")
    print(f"dependency check: {len(seen - skip)} programs started by {len(texts)} scripts, {len(named)} packages named")
    if faults:
        print("\n".join(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
