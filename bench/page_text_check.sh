#!/usr/bin/env bash
# The page-text command against a text browser (w3m -dump) on pages and a feed written here:
# the share of w3m's words that ours keeps (goal >= 99%), words of scripts, styles and comments
# (goal: none), blocks that start a line (goal: all), whole-process time against w3m on the
# same page (goal: not slower), throughput on a 100 MB page (goal >= 50 MB/s) and its peak
# memory (goal <= 4x the page + 64 MiB).
#   bench/page_text_check.sh [build folder]
set -euo pipefail
build=${1:-build}
cli=$(realpath "$build/korvane-cli")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v w3m >/dev/null || { apt-get install -y --no-install-recommends w3m >/dev/null 2>&1 || true; }
command -v w3m >/dev/null || { echo "w3m is not installed; nothing to compare with" >&2; exit 1; }

python3 - "$work" <<'PY'
import sys, random
work = sys.argv[1]
random.seed(17)
kanji = "日本語文章記事情報今年会社新製品発表価格予定確認時間場所内容写真説明最新"
def sentence(i):
    words = [random.choice(["market", "report", "release", "update", "version", "service"]) for _ in range(4)]
    return "".join(random.choice(kanji) for _ in range(12)) + f" {' '.join(words)} 第{i}項。"
hidden = "<script>var SCRIPTWORD = 1; google_ad_client = 'x';</script><style>.STYLEWORD{color:red}</style><!-- COMMENTWORD -->"
pages = {}
pages["news"] = ("<html><head><title>NEWSTITLE ニュース</title>" + hidden + "</head><body>"
    "<nav><a href='/'>TOP</a> | <a href='/n'>NEWS</a></nav><article><h1>BLOCK1 見出し</h1>"
    + "".join(f"<p>BLOCK{i+2} {sentence(i)}</p>" for i in range(40)) + "</article>" + hidden + "</body></html>")
pages["blog"] = ("<html><body><div class=post><h2>BLOCK1 日記</h2>"
    + "".join(f"<div class=comment><p>BLOCK{i+2} {sentence(i)}<br />{sentence(i+100)}</p></div>" for i in range(30))
    + "<ul>" + "".join(f"<li>BLOCK{i+40} item {i}</li>" for i in range(10)) + "</ul></div>" + hidden + "</body></html>")
pages["table"] = ("<html><body><table>"
    + "".join(f"<tr><td>BLOCK{i+1} row{i}</td><td>{random.randint(1,999)}円</td><td>{sentence(i)}</td></tr>" for i in range(60))
    + "</table>" + hidden + "</body></html>")
pages["entities"] = ("<html><body>" + "".join(
    f"<p>BLOCK{i+1} &#20154;&#x5DE5; &hellip; &copy; &amp; AT&amp;T &lt;tag&gt; caf&eacute; {sentence(i)}</p>" for i in range(30))
    + hidden + "</body></html>")
pages["br"] = ("<html><body><p>" + "".join(f"BLOCK{i+1} {sentence(i)}<br />" for i in range(50)) + "</p>" + hidden + "</body></html>")
pages["longline"] = ("<html><body>" + "".join(f"<p>BLOCK{i+1} {sentence(i)}</p>" for i in range(6000)) + hidden + "</body></html>")
for name, html in pages.items():
    open(f"{work}/{name}.html", "w", encoding="utf-8").write(html)
items = "".join(f"<item><title>BLOCK{2*i+1} title {i}</title><link>https://example.jp/{i}</link>"
                f"<description>&lt;p&gt;BLOCK{2*i+2} {sentence(i)}&lt;/p&gt;</description></item>" for i in range(20))
open(f"{work}/feed.xml", "w", encoding="utf-8").write(
    f"<?xml version='1.0' encoding='utf-8'?><rss version='2.0'><channel><title>FEED</title>{items}</channel></rss>")
# 100 MB for throughput.
with open(f"{work}/big.html", "w", encoding="utf-8") as f:
    f.write("<html><body>")
    chunk = "".join(f"<p>{sentence(i)} <a href='/p/{i}'>link</a></p>\n" for i in range(2000))
    while f.tell() < 100 * 2**20:
        f.write(chunk)
    f.write("</body></html>")
PY

tokens() {  # ASCII words and every other character but punctuation, one a line
  python3 -c '
import sys, re, unicodedata
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
for t in re.findall(r"[A-Za-z0-9]+|[^\x00-\x7f]", text):
    if len(t) > 1 or not unicodedata.category(t).startswith(("P", "Z", "S")): print(t)' "$1"
}

echo "page-text against w3m -dump (words: share of w3m's kept by ours)"
printf '  %-10s %8s %8s %8s %10s %10s\n' page words hidden blocks "ours s" "w3m s"
for page in news blog table entities br longline feed; do
  file="$work/$page.html"; [ "$page" = feed ] && file="$work/feed.xml"
  "$cli" --from utf-8 "$file" -e page-text --to utf-8 >"$work/$page.ours" 2>/dev/null
  shown="$file"
  if [ "$page" = feed ]; then
    # w3m shows no feed: it reads the items as paragraphs, descriptions unescaped.
    shown="$work/feed-as-page.html"
    python3 -c '
import sys, html, re
x = open(sys.argv[1], encoding="utf-8").read()
x = re.sub(r"<\?xml[^>]*>", "", x)
x = re.sub(r"</?(rss|channel|item|link|title|description)[^>]*>", "<p>", x)
open(sys.argv[2], "w", encoding="utf-8").write(html.unescape(x))' "$file" "$shown"
  fi
  w3m -dump -T text/html -I UTF-8 -O UTF-8 "$shown" >"$work/$page.w3m"
  words=$(python3 - "$work/$page.w3m" "$work/$page.ours" <<'PY'
import sys, re, unicodedata, collections
def toks(path):
    text = open(path, encoding="utf-8", errors="replace").read()
    return collections.Counter(t for t in re.findall(r"[A-Za-z0-9]+|[^\x00-\x7f]", text)
                               if len(t) > 1 or not unicodedata.category(t).startswith(("P", "Z", "S")))
w, o = toks(sys.argv[1]), toks(sys.argv[2])
total = sum(w.values()); kept = sum(min(n, o[t]) for t, n in w.items())
print(f"{100 * kept / max(total, 1):.1f}%")
PY
)
  hidden=$(grep -c -E 'SCRIPTWORD|STYLEWORD|COMMENTWORD|google_ad_client' "$work/$page.ours" || true)
  blocks=$(python3 - "$work/$page.ours" <<'PY'
import sys, re
text = open(sys.argv[1], encoding="utf-8").read()
found = re.findall(r"BLOCK\d+", text); starts = re.findall(r"(?m)^\W*BLOCK\d+", text)
print(f"{len(starts)}/{len(found)}")
PY
)
  /usr/bin/time -o "$work/t" -f %e "$cli" --from utf-8 "$file" -e page-text --to utf-8 >/dev/null 2>&1
  ours=$(cat "$work/t")
  /usr/bin/time -o "$work/t" -f %e w3m -dump -T text/html -I UTF-8 -O UTF-8 "$shown" >/dev/null 2>&1
  w3m_s=$(cat "$work/t")
  printf '  %-10s %8s %8s %8s %10s %10s\n' "$page" "$words" "$hidden" "$blocks" "$ours" "$w3m_s"
done

size=$(stat -c %s "$work/big.html")
/usr/bin/time -o "$work/t" -f '%e %M' "$cli" --from utf-8 "$work/big.html" -e page-text --to utf-8 >/dev/null 2>&1
read -r seconds kb <"$work/t"
python3 -c "
s, kb, size = $seconds, $kb, $size
print(f'100 MB page, whole process: {s:.2f} s = {size / 2**20 / s:.0f} MB/s (goal >= 50); '
      f'peak {kb / 1024:.0f} MiB (goal <= {(4 * size + 64 * 2**20) / 2**20:.0f} MiB)')"
