#!/usr/bin/env python3
"""Generates the index benchmark's tree once: 1,000,000 sparse files in about
50,000 folders, and a manifest of the same rows (Windows path as the index
prints it with the tree mapped as C:\\, bytes, last write in 100-ns ticks).

Seeded, so every run builds the same tree; a finished tree is marked and
reused. Sizes are set with truncate, so the files take no data blocks.

    index_tree.py OUTDIR [--files N] [--folders N] [--seed N]
"""

import argparse
import math
import os
import random
import shutil
import sys

VERSION = "3"

FOLDER_WORDS = """Users Documents Projects Photos Music Videos Downloads Archive Backup
Work Personal Library Cache Config Source Build Assets Reports Scans Travel Family
Invoices2 Clients Samples Drafts Exports Media Themes Fonts Plugins Modules Packages
Vendor Data Logs Temp Shared Public Private Notes Lessons Courses Games Saves Screens
Wallpapers Albums Podcasts Recordings Mail Attachments""".split()

# The query word of the benchmark ("invoice") is one of the name words, not a
# folder word, so about 1 % of files match it through their names.
NAME_WORDS = """invoice report summary budget draft final copy scan photo image img dsc
screenshot video clip movie song track album cover notes letter resume contract
agreement receipt statement minutes agenda slides deck presentation chapter lesson
homework essay thesis paper article manual guide readme license changelog index main
utils helper config settings data export import backup archive setup install update
patch module component service handler model view controller test fixture mock
sample demo example template layout style theme icon logo banner header footer page
post comment message chat log trace dump record entry item order product customer
user account profile session token cache temp tmp old new v2 final2 revised""".split()

NON_ASCII_WORDS = ["تقرير", "صورة", "فاتورة", "résumé", "Ünïcode", "naïve", "Straße", "日本"]

EXTENSIONS = [
    (".jpg", 18), (".png", 8), (".JPG", 2), (".txt", 7), (".pdf", 5), (".docx", 3),
    (".xlsx", 2), (".mp3", 5), (".mp4", 3), (".MOV", 1), (".mkv", 1), (".zip", 2),
    (".gz", 1), (".tar.gz", 1), (".exe", 1), (".dll", 7), (".js", 6), (".json", 5),
    (".html", 3), (".css", 2), (".py", 3), (".cpp", 3), (".h", 3), (".log", 2),
    (".dat", 2), (".iso", 0.2), ("", 4),
]


def choose_name(rng, ext_names, ext_weights, used):
    words = 1 if rng.random() < 0.7 else 2
    parts = [rng.choice(NAME_WORDS) for _ in range(words)]
    if rng.random() < 0.005:
        parts.append(rng.choice(NON_ASCII_WORDS))
    style = rng.random()
    if style < 0.3:
        parts = [p.capitalize() for p in parts]
    elif style < 0.35:
        parts = [p.upper() for p in parts]
    sep = rng.choice(["_", "-", " ", ""])
    stem = sep.join(parts)
    if rng.random() < 0.6:
        stem += sep + str(rng.randint(1, 99999))
    ext = rng.choices(ext_names, ext_weights)[0]
    name = stem + ext
    n = 2
    while name.lower() in used:
        name = f"{stem} ({n}){ext}"
        n += 1
    used.add(name.lower())
    return name


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--files", type=int, default=1_000_000)
    parser.add_argument("--folders", type=int, default=50_000)
    parser.add_argument("--seed", type=int, default=20241209)
    args = parser.parse_args()

    stamp = f"{VERSION} {args.files} {args.folders} {args.seed}"
    marker = os.path.join(args.out, "complete")
    if os.path.exists(marker) and open(marker).read() == stamp:
        print(f"tree: reused {args.out}", file=sys.stderr)
        return
    # An interrupted run of the same tree is finished in place (every step
    # below may be repeated); anything else starts afresh.
    started = os.path.join(args.out, "started")
    resumed = os.path.exists(started) and open(started).read() == stamp
    if not resumed:
        if os.path.exists(args.out):
            shutil.rmtree(args.out)
        os.makedirs(args.out)
        with open(started, "w") as s:
            s.write(stamp)
    if os.path.exists(marker):
        os.remove(marker)
    root = os.path.join(args.out, "root")
    os.makedirs(root, exist_ok=True)
    rng = random.Random(args.seed)

    # A random recursive tree: each folder's parent is an earlier folder,
    # biased towards early folders, which keeps the tree wide and a few levels
    # deep, as personal folders are.
    folders = [""]  # relative host paths
    names_in = [set()]  # names taken in each folder, lower-cased
    for i in range(1, args.folders):
        p = int(i * rng.random() ** 1.5)
        parent = folders[p]
        name = rng.choice(FOLDER_WORDS)
        if rng.random() < 0.5:
            name += " " + str(rng.randint(1, 2030))
        unique = name
        suffix = 2
        while unique.lower() in names_in[p]:
            unique = f"{name} ({suffix})"
            suffix += 1
        names_in[p].add(unique.lower())
        path = os.path.join(parent, unique) if parent else unique
        os.makedirs(os.path.join(root, path), exist_ok=True)
        folders.append(path)
        names_in.append(set())

    ext_names = [e for e, _ in EXTENSIONS]
    ext_weights = [w for _, w in EXTENSIONS]
    now_s = 1_733_700_000  # early December 2024
    span_s = 10 * 365 * 86400
    manifest_path = os.path.join(args.out, "manifest.csv")
    total_bytes = 0
    with open(manifest_path, "w", encoding="utf-8", newline="") as manifest:
        manifest.write("path,bytes,modified\n")
        for i in range(args.files):
            # Folders hold uneven numbers of files.
            f = int(len(folders) * rng.random() ** 1.3) if rng.random() < 0.9 else rng.randrange(len(folders))
            f = min(f, len(folders) - 1)
            name = choose_name(rng, ext_names, ext_weights, names_in[f])
            size = int(min(math.exp(rng.gauss(9.5, 2.6)), 64 * 2**30))
            if rng.random() < 0.03:
                size = 0
            mtime_ns = (now_s - int(rng.random() ** 1.5 * span_s)) * 1_000_000_000 + rng.randrange(10_000_000) * 100
            host = os.path.join(root, folders[f], name)
            fd = os.open(host, os.O_WRONLY | os.O_CREAT, 0o644)
            os.ftruncate(fd, size)
            os.utime(fd, ns=(mtime_ns, mtime_ns))
            os.close(fd)
            total_bytes += size
            win = "C:\\" + folders[f].replace("/", "\\") + ("\\" if folders[f] else "") + name
            ticks = mtime_ns // 100 + 116_444_736_000_000_000
            manifest.write(f"\"{win}\",{size},{ticks}\n")
    if resumed:
        # An earlier attempt may have left files this one named differently.
        wanted = set()
        with open(manifest_path, encoding="utf-8") as manifest:
            next(manifest)
            for line in manifest:
                wanted.add(line.rsplit(",", 2)[0].strip('"'))
        for folder, _, names in os.walk(root):
            rel = os.path.relpath(folder, root)
            win = "C:\\" + ("" if rel == "." else rel.replace("/", "\\") + "\\")
            for name in names:
                if win + name not in wanted:
                    os.remove(os.path.join(folder, name))
    with open(os.path.join(args.out, "totals"), "w") as t:
        t.write(f"{args.files} {total_bytes}\n")
    with open(marker, "w") as m:
        m.write(stamp)
    print(f"tree: {args.files} files, {len(folders)} folders, {total_bytes} bytes", file=sys.stderr)


if __name__ == "__main__":
    main()
