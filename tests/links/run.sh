#!/usr/bin/env bash
# Every link of the project's Markdown pages (the README, docs/ and the rest) leads somewhere: a file of the project,
# and, where it names one, a heading of that file (as the repository's web page
# makes its anchors: lower case, spaces to hyphens, other marks dropped).
set -uo pipefail
cd "$(dirname "$0")/../.."
/usr/bin/python3 - $(git ls-files "*.md" 2>/dev/null || echo README.md docs/*.md) <<'PYTHON'
import os, re, sys

def anchors(path):
    found, seen = set(), {}
    in_code = False
    for line in open(path, encoding="utf-8"):
        if line.startswith("```"):
            in_code = not in_code
        m = None if in_code else re.match(r"#{1,6} +(.*?) *#* *$", line)
        if m:
            slug = re.sub(r"[^\w\- ]", "", m.group(1).strip().lower().replace("`", "")).replace(" ", "-")
            n = seen.get(slug, 0)
            seen[slug] = n + 1
            found.add(slug if n == 0 else f"{slug}-{n}")
    return found

passed = failed = 0
for page in sys.argv[1:]:
    text = open(page, encoding="utf-8").read()
    text = re.sub(r"```.*?```", "", text, flags=re.S)
    for target in re.findall(r"\]\(([^)\s]+)\)", text):
        if re.match(r"[a-z]+:", target):
            continue  # no network here: only the project's own links are followed
        file, _, anchor = target.partition("#")
        path = os.path.normpath(os.path.join(os.path.dirname(page), file)) if file else page
        ok = os.path.exists(path) and (not anchor or (path.endswith(".md") and anchor in anchors(path)))
        print(("ok   " if ok else "FAIL ") + f"{page}: {target}")
        passed, failed = passed + ok, failed + (not ok)
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
PYTHON
