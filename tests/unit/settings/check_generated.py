#!/usr/bin/env python3
"""Checks that the shipped language files are what scripts/make_languages.py
writes from its UTF-8 texts: runs the generator on a copy of the source tree
and compares every file of LangFiles byte for byte. Exit code 0 when they
agree; otherwise the differing files are listed."""
import filecmp
import pathlib
import shutil
import subprocess
import sys
import tempfile


def main():
    source = pathlib.Path(sys.argv[1]).resolve() if len(sys.argv) > 1 else \
        pathlib.Path(__file__).resolve().parents[2]
    shipped = source / "resources" / "LangFiles"
    generator = source / "scripts" / "make_languages.py"
    with tempfile.TemporaryDirectory() as temp:
        copy = pathlib.Path(temp)
        (copy / "scripts").mkdir()
        shutil.copy2(generator, copy / "scripts" / generator.name)
        shutil.copytree(shipped, copy / "resources" / "LangFiles")
        run = subprocess.run([sys.executable, str(copy / "scripts" / generator.name)],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if run.returncode != 0:
            print(run.stdout.decode(errors="replace"))
            print("the generator failed")
            return 1
        written = copy / "resources" / "LangFiles"
        differ = []
        for path in sorted(p for p in written.rglob("*") if p.is_file()):
            relative = path.relative_to(written)
            original = shipped / relative
            if not original.is_file():
                differ.append(f"{relative}: written by the generator, not shipped")
            elif not filecmp.cmp(path, original, shallow=False):
                differ.append(f"{relative}: differs from the generator's output")
        for line in differ:
            print(line)
        checked = sum(1 for p in written.rglob("*.ini"))
        print(f"{checked} language files checked, {len(differ)} differ")
        return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
