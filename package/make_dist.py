#!/usr/bin/env python3
"""Lays out the release: copies the programs (stripped), the alarm sound,
the web folder, the user's README and the licence texts into a staging
folder, zips that folder as the portable zip, and writes the installer's
lists of files to install and to remove, so both artifacts hold the same
files. Writes a Ninja depfile naming everything it read."""
import argparse
import os
import shutil
import subprocess
import sys
import time
import zipfile


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--program", action="append", default=[], help="a program to ship")
    parser.add_argument("--output-dir", required=True, help="the build's folder of the programs")
    parser.add_argument("--readme", required=True)
    parser.add_argument("--license", action="append", default=[], metavar="NAME=PATH")
    parser.add_argument("--strip", required=True)
    parser.add_argument("--stage", required=True)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--nsis-files", required=True)
    parser.add_argument("--depfile", required=True)
    return parser.parse_args()


def stage(args):
    """Fills the staging folder; returns every source file read."""
    shutil.rmtree(args.stage, ignore_errors=True)
    os.makedirs(os.path.join(args.stage, "licenses"))
    inputs = []
    for program in args.program:
        target = os.path.join(args.stage, os.path.basename(program))
        subprocess.run([args.strip, "-o", target, program], check=True)
        inputs.append(program)
    sound = os.path.join(args.output_dir, "motion.wav")
    shutil.copy(sound, args.stage)
    inputs.append(sound)
    # Whatever pages the build placed beside the programs; the folder
    # itself always ships, so users see where their pages go.
    web = os.path.join(args.output_dir, "Webserver")
    if os.path.isdir(web):
        shutil.copytree(web, os.path.join(args.stage, "Webserver"))
        for folder, _, files in os.walk(web):
            inputs.append(folder)
            inputs.extend(os.path.join(folder, name) for name in files)
    else:
        os.makedirs(os.path.join(args.stage, "Webserver"))
        inputs.append(args.output_dir)  # changes when the folder appears
    with open(args.readme, encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", args.version)
    with open(os.path.join(args.stage, "README.txt"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write(text)
    inputs.append(args.readme)
    for entry in args.license:
        name, _, path = entry.partition("=")
        shutil.copy(path, os.path.join(args.stage, "licenses", name))
        inputs.append(path)
    return inputs


def staged_tree(root):
    """(folders, files) below root, relative, with forward slashes, sorted."""
    folders, files = [], []
    for folder, subfolders, names in os.walk(root):
        subfolders.sort()
        relative = os.path.relpath(folder, root).replace(os.sep, "/")
        if relative != ".":
            folders.append(relative)
        prefix = "" if relative == "." else relative + "/"
        files.extend(prefix + name for name in sorted(names))
    return folders, files


def write_zip(args, folders, files):
    top = f"Vorrandale-{args.version}/"
    partial = args.zip + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        archive.writestr(zipfile.ZipInfo(top, time.localtime()[:6]), b"")
        for folder in folders:
            archive.write(os.path.join(args.stage, folder), top + folder + "/")
        for name in files:
            archive.write(os.path.join(args.stage, name), top + name)
    os.replace(partial, args.zip)


def nsis_text(text):
    if '"' in text:
        sys.exit(f"make_dist: a quote in a file name cannot go into the installer: {text}")
    return text.replace("$", "$$")


def write_nsis_files(args, folders, files):
    """Two macros: one installs exactly the staged files, one removes exactly
    them (never anything a user added), folders deepest first."""
    def windows(relative):
        return "$INSTDIR" + "".join("\\" + nsis_text(part) for part in relative.split("/") if part)

    lines = ["; Written by make_dist.py from the staged release.", "!macro InstallStagedFiles"]
    for folder in [""] + folders:
        lines.append(f'  SetOutPath "{windows(folder)}"')
        for name in files:
            if os.path.dirname(name) == folder:
                source = os.path.abspath(os.path.join(args.stage, name))
                lines.append(f'  File "{nsis_text(source)}"')
    lines += ['  SetOutPath "$INSTDIR"', "!macroend", "", "!macro RemoveStagedFiles"]
    lines += [f'  Delete "{windows(name)}"' for name in files]
    lines += [f'  RMDir "{windows(folder)}"' for folder in sorted(folders, key=lambda f: -f.count("/"))]
    lines.append("!macroend")
    with open(args.nsis_files, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def write_depfile(args, inputs):
    def escaped(path):
        return os.path.abspath(path).replace("\\", "\\\\").replace(" ", "\\ ").replace("$", "$$")

    with open(args.depfile, "w", encoding="utf-8") as f:
        f.write(escaped(args.zip) + ": " + " ".join(escaped(p) for p in inputs) + "\n")


def main():
    args = parse_args()
    inputs = stage(args)
    folders, files = staged_tree(args.stage)
    write_zip(args, folders, files)
    write_nsis_files(args, folders, files)
    write_depfile(args, inputs)


if __name__ == "__main__":
    main()
