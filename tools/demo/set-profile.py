#!/usr/bin/env python3
"""Writes KEY=VALUE pairs into the saver's [zarvsaver] section of a WIN.INI file,
keeping every other section as it is (WIN.INI uses CR LF line ends)."""
import sys

SECTION = "zarvsaver"


def main(path, pairs):
    try:
        with open(path, encoding="latin-1", newline="") as f:
            lines = f.read().replace("\r\n", "\n").split("\n")
    except FileNotFoundError:
        lines = []
    kept, inside = [], False
    for line in lines:
        stripped = line.strip()
        if stripped.startswith("[") and stripped.endswith("]"):
            inside = stripped[1:-1].lower() == SECTION
        if not inside and stripped:
            kept.append(line)
    kept.append(f"[{SECTION}]")
    kept.extend(pairs)
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.write("\r\n".join(kept) + "\r\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:])
