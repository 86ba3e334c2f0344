#!/usr/bin/env python3
"""Checks a host SDK header folder against sdk/names.tsv, the list of SDK names the project uses.

    python3 scripts/check-sdk-names.py LIST HEADERS [--complete]

HEADERS is a folder laid out as the SDK's Examples/Headers (suite headers in its SP folder):
our sdk/, or the published headers.  For every name on the list it checks that the name is
declared in the header the list gives, as the kind the list gives (a macro, an enum value, a
type or a struct) and with the value the list gives: a constant's value, the type a typedef
names, a struct's tag, a function-like macro's parameters.  With --complete it also checks
that the folder declares nothing the list does not mention, which is what keeps our sdk/ to
names the published headers declare.  Needs clang++ (its AST gives where each name is
declared).  Exits 1 and names every difference when there is one.
"""
import json
import os
import re
import subprocess
import sys
import tempfile

CXX = os.environ.get("CLANGXX", "clang++")
# As the build compiles against an SDK folder: the Windows layouts.
FLAGS = ["-std=c++17", "-D_WINDOWS", "-Wno-multichar", "-Wno-pragma-pack", "-w"]
KINDS = ("macro", "enum", "type", "struct")


def read_list(path):
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 4 or fields[2] not in KINDS:
                sys.exit(f"{path}:{number}: expected name, header, kind ({'/'.join(KINDS)}), value")
            entries.append(tuple(fields))
    return entries


def top_headers(entries, folder):
    """The listed headers in list order, less those another listed header includes (a header
    such as AE_EffectSuitesOld.h may only be reached through the one that includes it)."""
    headers = list(dict.fromkeys(header for _, header, _, _ in entries))
    included = set()
    for header in headers:
        try:
            with open(os.path.join(folder, header), encoding="latin-1") as f:
                text = f.read()
        except OSError:
            continue  # reported by the compiler
        for other in headers:
            name = re.escape(os.path.basename(other))
            if other != header and re.search(r'#\s*include\s*[<"](?:[\w/]*/)?' + name + r'[">]', text):
                included.add(other)
    return [h for h in headers if h not in included]


def probe_source(entries, headers):
    lines = ["#include <type_traits>"] + [f'#include "{h}"' for h in headers]
    lines.append("constexpr bool SameText(const char* a, const char* b) {"
                 " while (*a && *a == *b) { ++a; ++b; } return *a == *b; }")
    for name, _, kind, value in entries:
        if kind == "macro":
            lines += [f"#ifndef {name}", f'#error "{name}: not a macro"', "#endif"]
            if value.startswith('"'):
                lines.append(f'static_assert(SameText({name}, {value}), "{name} == {value[1:-1]}");')
            elif value and not value.startswith("("):
                lines.append(f'static_assert(({name}) == ({value}), "{name} == {value}");')
            continue
        lines += [f"#ifdef {name}", f'#error "{name}: a macro"', "#endif"]
        if kind == "enum":
            lines.append(f'static_assert(std::is_enum_v<decltype({name})>, "{name}: not an enum value");')
            lines.append(f'static_assert({name} == ({value}), "{name} == {value}");')
        elif kind == "type":
            lines.append(f'static_assert(std::is_same_v<{name}, {value}>, "{name} is {value}");')
        else:
            lines.append(f'static_assert(std::is_class_v<{name}> || std::is_union_v<{name}>,'
                         f' "{name}: not a struct");')
            if value:
                lines.append(f'static_assert(std::is_same_v<{name}, {value}>, "{name}: tag {value}");')
    return "\n".join(lines) + "\n"


def declared_in(source, folder, includes):
    """Where each name is declared: {name: (header relative to folder, kind, macro parameters)}
    for the names the folder's headers declare (macros that a header undefines again are left
    out; a typedef wins over a struct tag of the same name, a tag's definition over a mention)."""
    folder = os.path.realpath(folder)
    found = {}
    rank = {"macro": 0, "typedef": 1, "enum": 1, "tag": 2, "mention": 3}

    def relative(path):
        path = os.path.realpath(path) if path else ""
        return os.path.relpath(path, folder) if path.startswith(folder + os.sep) else None

    def record(name, header, kind, params=None):
        if header and (name not in found or rank[kind] < rank[found[name][1]]):
            found[name] = (header, kind, params)

    # Macros: the preprocessor's own record, with the line markers naming each file.
    text = subprocess.run([CXX, *FLAGS, *includes, "-E", "-dD", source],
                          capture_output=True, text=True).stdout
    current, undefined = None, set()
    for line in text.splitlines():
        marker = re.match(r'# \d+ "([^"]*)"', line)
        define = re.match(r"#define (\w+)(\([^)]*\))?", line)
        undef = re.match(r"#undef (\w+)", line)
        if marker:
            current = marker.group(1)
        elif define:
            params = define.group(2) and re.sub(r"\s+", "", define.group(2))
            record(define.group(1), relative(current), "macro", params)
        elif undef:
            undefined.add(undef.group(1))
    for name in undefined:
        found.pop(name, None)

    # Everything else: the compiler's AST.  Its JSON gives a location's file only where it
    # changes, so the file is followed through every location in the order they are written.
    dump = subprocess.run([CXX, *FLAGS, *includes, "-fsyntax-only", "-Xclang", "-ast-dump=json",
                           source], capture_output=True, text=True).stdout
    try:
        ast = json.loads(dump)
    except ValueError:
        return found
    state = {"file": None}

    def follow(node, key=None):
        if isinstance(node, list):
            for item in node:
                follow(item, key)
            return
        if not isinstance(node, dict):
            return
        if key != "includedFrom" and "file" in node:
            state["file"] = node["file"]
        here = None
        for child_key, child in node.items():
            if child_key != "inner":
                follow(child, child_key)
                if child_key == "loc":
                    here = relative(state["file"])
        kind, name = node.get("kind"), node.get("name")
        if name and kind == "TypedefDecl":
            record(name, here, "typedef")
        elif name and kind == "EnumConstantDecl":
            record(name, here, "enum")
        elif name and kind in ("RecordDecl", "CXXRecordDecl"):
            record(name, here, "tag" if node.get("completeDefinition") else "mention")
        for child in node.get("inner", []):
            follow(child, "inner")

    follow(ast)
    return found


def main():
    args = [a for a in sys.argv[1:] if a != "--complete"]
    if len(args) != 2:
        sys.exit(__doc__)
    list_path, folder = args
    entries = read_list(list_path)
    includes = ["-I" + folder, "-I" + os.path.join(folder, "SP")]
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "probe.cpp")
        with open(source, "w", encoding="utf-8") as f:
            f.write(probe_source(entries, top_headers(entries, folder)))
        compiled = subprocess.run([CXX, *FLAGS, *includes, "-fsyntax-only", "-ferror-limit=0",
                                   source], capture_output=True, text=True)
        problems += [line for line in compiled.stderr.splitlines() if ": error: " in line]
        if compiled.returncode != 0 and not problems:
            problems.append(compiled.stderr.strip() or "the probe did not compile")
        where = declared_in(source, folder, includes)
    for name, header, kind, value in entries:
        found = where.get(name)
        if found is None:
            problems.append(f"{name}: not declared in {folder}")
        elif found[0] != header:
            problems.append(f"{name}: declared in {found[0]}, listed in {header}")
        elif kind == "macro" and (found[2] or None) != (re.sub(r"\s+", "", value)
                                                          if value.startswith("(") else None):
            problems.append(f"{name}: parameters {found[2] or 'none'}, listed {value or 'none'}")
    if "--complete" in sys.argv:
        mentioned = set()
        for name, _, _, value in entries:
            mentioned.add(name)
            mentioned.update(re.findall(r"[A-Za-z_]\w*", value))
        for name, (header, _, _) in sorted(where.items()):
            if name not in mentioned:
                problems.append(f"{name}: declared in {header} but not on the list")
    for problem in problems:
        print(f"check-sdk-names: {problem}", file=sys.stderr)
    if problems:
        sys.exit(1)
    print(f"check-sdk-names: {len(entries)} names as listed in {folder}")


if __name__ == "__main__":
    main()
