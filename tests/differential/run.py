#!/usr/bin/env python3
"""Differential test of the PDF object reader against qpdf.

Fetches real PDFs from Debian documentation packages (apt-get download, cached outside the
clone in ${XDG_CACHE_HOME:-$HOME/.cache}/quorvel/differential), adds the repository's sample
PDFs and copies encrypted by qpdf, then compares, object by object, what quorvel_dump and
qpdf_dump print: identities, kinds, string values and decoded stream hashes.

Usage: run.py BIN_DIR   (the folder holding quorvel_dump and qpdf_dump)
Exit status 1 when a file shows a difference that is not one of the known, explained kinds.
"""
import collections
import gzip
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

REPO = pathlib.Path(__file__).resolve().parents[2]
CACHE = pathlib.Path(os.environ.get("XDG_CACHE_HOME") or pathlib.Path.home() / ".cache") \
    / "quorvel" / "differential"

# Documentation packages whose PDFs come from different producers (pdfTeX, LuaTeX, XeTeX,
# Ghostscript, groff/ps2pdf, dvipdfmx, texinfo, ...). At most PER_PACKAGE files of each.
PACKAGES = ["r-doc-pdf", "gnuplot-doc", "octave-doc", "asymptote-doc", "pari-doc",
            "gprolog-doc", "xorg-docs", "texlive-fonts-recommended-doc", "ghostscript-doc",
            "maxima-doc"]
PER_PACKAGE = 4
# Files taken whatever their place in the package: the 3,000-page R reference manual.
ALSO = {"r-doc-pdf": ["fullrefman.pdf"]}
SAMPLES = ["spikes/cross-platform-render/fixtures/03_brk_letter.pdf",
           "spikes/redaction-integrity/fixtures/real-world/02_arxiv_2cols.pdf",
           "spikes/redaction-integrity/fixtures/real-world/04_scotus.pdf",
           "spikes/redaction-integrity/fixtures/real-world/08_fed_register.pdf",
           "bench/samples/attention-is-all-you-need.pdf"]
# Copies encrypted by qpdf, of the first corpus file: (suffix, qpdf arguments).
ENCRYPTIONS = [("aes256", ["", "owner", "256"]),
               ("aes128", ["", "owner", "128", "--use-aes=y"]),
               ("rc4-40", ["", "owner", "40"])]


def fetch_corpus():
    debs = CACHE / "debs"
    pdfs = CACHE / "pdf"
    debs.mkdir(parents=True, exist_ok=True)
    for package in PACKAGES:
        target = pdfs / package
        if target.is_dir() and any(target.iterdir()):
            continue
        if not list(debs.glob(package + "_*.deb")):
            subprocess.run(["apt-get", "download", package], cwd=debs, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = list(debs.glob(package + "_*.deb"))
        if not found:
            print(f"differential: could not download {package}", file=sys.stderr)
            continue
        target.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run(["dpkg-deb", "-x", str(found[0]), tmp], check=True)
            files = sorted(p for p in pathlib.Path(tmp).rglob("*")
                           if p.is_file() and not p.is_symlink()
                           and (p.name.endswith(".pdf") or p.name.endswith(".pdf.gz")))
            chosen = files[:PER_PACKAGE] + [p for p in files if p.name in ALSO.get(package, [])]
            for src in chosen:
                name = src.name[:-3] if src.name.endswith(".gz") else src.name
                if src.name.endswith(".gz"):
                    with gzip.open(src, "rb") as fin, open(target / name, "wb") as fout:
                        shutil.copyfileobj(fin, fout)
                else:
                    shutil.copy(src, target / name)
    corpus = sorted(pdfs.rglob("*.pdf"))
    encrypted = CACHE / "encrypted"
    encrypted.mkdir(exist_ok=True)
    plain = [p for p in corpus if p.parent.name == "r-doc-pdf"][:1] or corpus[:1]
    for suffix, args in ENCRYPTIONS:
        for source in plain:
            out = encrypted / f"{source.stem}-{suffix}.pdf"
            if not out.exists():
                subprocess.run(["qpdf", "--allow-weak-crypto", "--encrypt", *args, "--",
                                str(source), str(out)], check=False)
    return corpus + sorted(encrypted.glob("*.pdf")) + [REPO / s for s in SAMPLES]


def dump(tool, path):
    run = subprocess.run([tool, str(path)], capture_output=True, text=True)
    if run.returncode != 0:
        return None, run.stderr.strip()
    objects = {}
    for line in run.stdout.splitlines():
        o = json.loads(line)
        objects[(o["num"], o["gen"])] = o
    return objects, ""


def compare(ours, theirs):
    """Differences by kind: missing, extra, kind, strings, stream."""
    diffs = collections.defaultdict(list)
    for ident in sorted(set(theirs) - set(ours)):
        diffs["missing"].append(ident)
    for ident in sorted(set(ours) - set(theirs)):
        diffs["extra"].append(ident)
    for ident in sorted(set(ours) & set(theirs)):
        a, b = ours[ident], theirs[ident]
        if a["kind"] != b["kind"]:
            diffs["kind"].append((ident, a["kind"], b["kind"]))
            continue
        sa = sorted((s["path"], s["hex"]) for s in a["strings"])
        sb = sorted((s["path"], s["hex"]) for s in b["strings"])
        if sa != sb:
            # Duplicate keys: we keep both entries, qpdf the last one.
            if set(sb) <= set(sa) and {p for p, _ in sa} == {p for p, _ in sb}:
                diffs["duplicate keys (explained)"].append(ident)
            else:
                diffs["strings"].append(ident)
        if "stream" in a:
            xa, xb = a["stream"], b["stream"]
            if xa["decoded_len"] is None and xb["decoded_len"] is not None and \
                    xa["stored_len"] == xb["decoded_len"]:
                continue  # an object stream: we keep it decoded, without /Filter
            if xa["decoded_sha256"] != xb["decoded_sha256"] or \
                    (xa["decoded_len"] is None and xa["stored_len"] != xb["stored_len"]):
                diffs["stream"].append((ident, xa, xb))
    return diffs


def main():
    bin_dir = pathlib.Path(sys.argv[1])
    files = fetch_corpus()
    failed = 0
    print(f"| file | objects (ours/qpdf) | differences |")
    print(f"|---|---:|---|")
    for path in files:
        ours, err_ours = dump(bin_dir / "quorvel_dump", path)
        theirs, err_theirs = dump(bin_dir / "qpdf_dump", path)
        label = str(path.relative_to(CACHE)) if CACHE in path.parents else path.name
        if ours is None or theirs is None:
            print(f"| {label} | - | load failed: ours '{err_ours}' qpdf '{err_theirs}' |")
            failed += ours is None and theirs is not None
            continue
        diffs = compare(ours, theirs)
        unexplained = {k: v for k, v in diffs.items() if "explained" not in k}
        summary = ", ".join(f"{k}: {len(v)}" for k, v in diffs.items()) or "none"
        print(f"| {label} | {len(ours)}/{len(theirs)} | {summary} |")
        for kind, items in unexplained.items():
            for item in items[:3]:
                print(f"    {kind}: {item}", file=sys.stderr)
        failed += bool(unexplained)
    print(f"\n{len(files)} files, {failed} with unexplained differences")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
