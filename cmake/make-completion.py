#!/usr/bin/env python3
"""Writes the bash completion of tonedot from what the built program says of itself.

    make-completion.py TONEDOT LOGIC OUTPUT

The commands come from "tonedot --help", each command's options and their value names from
"tonedot help COMMAND", the parameter names, kinds and popup choices from
"tonedot params --json --factory-defaults".  OUTPUT is these facts as bash data followed by
LOGIC (cli/completion.bash, the completion function that reads them)."""
import json
import re
import shlex
import subprocess
import sys


def run(tonedot, *args):
    return subprocess.run([tonedot, *args], check=True, capture_output=True, text=True).stdout


def commands(tonedot):
    text = run(tonedot, "--help")
    block = text.split("\nCommands:\n", 1)[1].split("\n\n", 1)[0]
    # "  preset save   Writes ..." - a command's name is one or two lower-case words.
    names = [re.match(r"  ([a-z-]+(?: [a-z-]+)?)(?:  | *$)", line) for line in block.splitlines()]
    if not all(names):
        sys.exit("make-completion: cannot read the command list of tonedot --help")
    return [m.group(1) for m in names]


OPTION = re.compile(r"^  (?:-(\S), |    )--([A-Za-z0-9-]+)(?: (\S+))?(?: |$)")


def value_kind(value_name):
    """What an option's value is, for the completion: file, param, layer, a list of words, or none."""
    if value_name in ("FILE", "LIB", "FILE.icc", "PREFIX", "OUTPUT", "INPUT", "FOLDER"):
        return "file"
    if value_name == "NAME=VALUE":
        return "param"
    if value_name == "NAME=FILE":
        return "layer"
    if re.fullmatch(r"[a-z0-9]+(\|[a-z0-9]+)+", value_name or ""):
        return "words " + value_name.replace("|", " ")
    return "none" if value_name else ""


def positional_kind(usage):
    first = usage.split()[0].strip("[]") if usage.split() else "options"
    if first == "options" or first.startswith("-"):
        return "none"
    if first == "COMMAND":
        return "commands"
    if "|" in first:
        return "words " + first.replace("|", " ")
    return "file" if first.isupper() else "none"


def command_help(tonedot, name):
    text = run(tonedot, "help", *name.split())
    usage = re.match(r"Usage: tonedot " + re.escape(name) + r" ?(.*)", text)
    if not usage:
        sys.exit(f"make-completion: no usage line in tonedot help {name}")
    options = []
    for line in text.splitlines():
        m = OPTION.match(line)
        if m:
            options.append((m.group(2), m.group(1), m.group(3)))
    if not options:
        sys.exit(f"make-completion: no options in tonedot help {name}")
    return usage.group(1), options


def q(word):
    return shlex.quote(word)


def main():
    tonedot, logic, output = sys.argv[1:4]
    names = commands(tonedot)
    params = json.loads(run(tonedot, "params", "--json", "--factory-defaults"))
    lines = [
        "# bash completion for tonedot.  Generated at build time by cmake/make-completion.py from the",
        "# built program's help and parameter list; the function after the data is cli/completion.bash.",
        "",
        "_tonedot_commands=(" + " ".join(q(n.split()[0]) for n in dict.fromkeys(names)) + ")",
    ]
    groups = {}
    for n in names:
        if " " in n:
            groups.setdefault(n.split()[0], []).append(n.split()[1])
    lines.append("# The second word of a command named by two.")
    lines.append("_tonedot_subcommands() {")
    lines.append("    case $1 in")
    for first, seconds in groups.items():
        lines.append(f"        {q(first)}) _tonedot_reply=({' '.join(map(q, seconds))}) ;;")
    lines.append("        *) _tonedot_reply=() ;;")
    lines.append("    esac")
    lines.append("}")

    settable = [p for p in params if "default" in p and p["kind"] != "layer"]
    layers = [p for p in params if p["kind"] == "layer"]
    lines.append("_tonedot_params=(" + " ".join(q(p["name"]) for p in settable) + ")")
    lines.append("_tonedot_layers=(" + " ".join(q(p["name"]) for p in layers) + ")")
    lines.append("# The values --set offers for a parameter: a popup's choices, a checkbox's on/off.")
    lines.append("_tonedot_param_values() {")
    lines.append("    case $1 in")
    for p in settable:
        if p["kind"] == "popup":
            values = [c["name"] for c in p["choices"]]
        elif p["kind"] == "checkbox":
            values = ["on", "off"]
        else:
            continue
        lines.append(f"        {q(p['name'])}) _tonedot_reply=({' '.join(map(q, values))}) ;;")
    lines.append("        *) _tonedot_reply=() ;;")
    lines.append("    esac")
    lines.append("}")

    lines.append("# A command's options; its first argument's kind; an option's value kind (file, param,")
    lines.append("# layer, words W..., none; empty for a flag).")
    opts, firsts, values = [], [], []
    for name in names:
        usage, options = command_help(tonedot, name)
        words = []
        for long, short, value in options:
            words.append("--" + long)
            if short:
                words.append("-" + short)
            kind = value_kind(value)
            if kind:
                pattern = f"{q(name + ' --' + long)}" + (f"|{q(name + ' -' + short)}" if short else "")
                values.append(f"        {pattern}) _tonedot_reply=({kind}) ;;")
        opts.append(f"        {q(name)}) _tonedot_reply=({' '.join(words)}) ;;")
        firsts.append(f"        {q(name)}) _tonedot_reply=({positional_kind(usage)}) ;;")
    for fn, cases in (("_tonedot_options", opts), ("_tonedot_argument", firsts), ("_tonedot_option_value", values)):
        lines.append(fn + "() {")
        lines.append('    case $1 in')
        lines.extend(cases)
        lines.append("        *) _tonedot_reply=() ;;")
        lines.append("    esac")
        lines.append("}")
    with open(logic, encoding="utf-8") as f:
        text = "\n".join(lines) + "\n\n" + f.read()
    with open(output, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
