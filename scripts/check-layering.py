#!/usr/bin/python3
"""Holds every #include of the source to the module graph of cmake/modules.txt.

    check-layering.py [--root DIR] [--modules FILE]

Reads every .h and .cpp under DIR (the source root; build folders and hidden
ones are skipped), gives each file its module, resolves each "..." include
(beside the including file first, then from the root) to a file of the tree
and its module, and fails, naming file:line, on an include of a module the
file's module may not include, on a system header its module may never
include, and on a file of no module; and when the README's source layout
does not print the graph as the modules file states it. Prints nothing and exits 0 when every
include goes the allowed way; exits 1 with one line per fault otherwise.
"""
import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def read_modules(path):
    folders, allowed, never = [], {}, {}
    section = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
                continue
            name, *values = line.split()
            if section == "folders":
                folders += [(prefix, name) for prefix in values]
            elif section == "may include":
                allowed[name] = set(values)
            elif section == "never":
                never[name] = values
            else:
                sys.exit(f"{path}:{number}: a line outside [folders], [may include] and [never]")
    names = {name for _, name in folders}
    for name in list(allowed) + list(never):
        if name not in names:
            sys.exit(f"{path}: module {name} has no folders")
    # The longest path decides.
    folders.sort(key=lambda entry: len(entry[0]), reverse=True)
    return folders, allowed, never


def module_of(relative, folders):
    for prefix, name in folders:
        if relative.startswith(prefix):
            return name
    return None


def sources(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders
                               if not d.startswith(".") and not d.startswith("build") and d != "Testing")
        for name in sorted(files):
            if name.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def resolve(root, including, header):
    beside = os.path.normpath(os.path.join(os.path.dirname(including), header)).replace(os.sep, "/")
    for candidate in (beside, os.path.normpath(header).replace(os.sep, "/")):
        if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def graph_text(modules_file):
    """The sections of the modules file without its comments, as the README prints them."""
    with open(modules_file, encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if not line.startswith("#")]
    return "\n".join(lines).strip() + "\n"


def check_readme(root, modules_file):
    readme = os.path.join(root, "README.md")
    if not os.path.isfile(readme):
        return []
    with open(readme, encoding="utf-8") as f:
        if "```\n" + graph_text(modules_file) + "```\n" in f.read():
            return []
    return [f"README.md: its source layout does not print the graph of {os.path.basename(modules_file)} as it is"]


def check(root, modules_file):
    folders, allowed, never = read_modules(modules_file)
    faults = check_readme(root, modules_file)
    for relative in sources(root):
        module = module_of(relative, folders)
        if module is None:
            faults.append(f"{relative}: belongs to no module of {os.path.basename(modules_file)}")
            continue
        may = allowed.get(module, set())
        with open(os.path.join(root, relative), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                kind, header = match.groups()
                where = f"{relative}:{number}"
                if kind == "<":
                    for forbidden in never.get(module, []):
                        if header.startswith(forbidden):
                            faults.append(f"{where}: {module} includes <{header}>, which it never may")
                    continue
                target = resolve(root, relative, header)
                if target is None:
                    continue   # not a file of the tree (a generated or a system header)
                target_module = module_of(target, folders)
                if "*" not in may and target_module not in may:
                    faults.append(f"{where}: {module} includes \"{header}\" of {target_module}, "
                                  f"which {module} may not include")
    return faults


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.dirname(here))
    parser.add_argument("--modules", default=None, help="default: ROOT/cmake/modules.txt")
    args = parser.parse_args()
    modules_file = args.modules or os.path.join(args.root, "cmake", "modules.txt")
    faults = check(args.root, modules_file)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
