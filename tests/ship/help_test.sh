#!/usr/bin/env bash
# The compiled manual: every page, style sheet and image of docs/help is inside
# Skelda.chm byte for byte, every page is in the table of contents, and every
# internal link of the pages, the contents and the index resolves inside it.
# Read back with chmlib's extractor, as a help viewer reads it.
. "$(dirname "$0")/../support/e2e.sh"
chm="${1:?usage: help_test.sh Skelda.chm}"

E2E_DIR="$(mktemp -d "${QB_BUILD}/ship.XXXXXX")"
trap 'rm -rf "$E2E_DIR"' EXIT
check "the manual was built" test -s "$chm"
extract_chmLib "$chm" "$E2E_DIR/chm" >/dev/null
check "chmlib reads it" test -f "$E2E_DIR/chm/index.html"

out=$(/usr/bin/python3 - "$QB_ROOT/docs/help" "$E2E_DIR/chm" <<'PY'
import os, re, sys
from urllib.parse import unquote
src, chm = sys.argv[1], sys.argv[2]
def files(root):
    return {os.path.relpath(os.path.join(d, f), root).replace(os.sep, "/")
            for d, _, names in os.walk(root) for f in names}
inside = files(chm)
for name in sorted(files(src)):
    if name.endswith((".hhp",)):
        continue
    if name not in inside:
        print("missing from the CHM: " + name)
    elif open(os.path.join(src, name), "rb").read() != open(os.path.join(chm, name), "rb").read():
        print("differs in the CHM: " + name)
def targets(name):
    text = open(os.path.join(chm, name), encoding="utf-8", errors="replace").read()
    if name.endswith((".hhc", ".hhk")):
        return re.findall(r'<param name="Local" value="([^"]*)"', text, re.I)
    return re.findall(r'(?:href|src)="([^"]*)"', text, re.I)
for name in sorted(n for n in inside if n.endswith((".html", ".hhc", ".hhk"))):
    for link in targets(name):
        if re.match(r"[a-z]+:", link, re.I) or link.startswith("#"):
            continue
        path = os.path.normpath(os.path.join(os.path.dirname(name), unquote(link.split("#")[0])))
        if path.replace(os.sep, "/") not in inside:
            print("broken link in %s: %s" % (name, link))
contents = set(targets("toc.hhc")) if "toc.hhc" in inside else set()
for page in sorted(n for n in files(src) if n.endswith(".html")):
    if page not in contents:
        print("not in the contents: " + page)
PY
)
[ -z "$out" ] || echo "$out"
check "pages, images and links are whole" test -z "$out"
e2e_finish
