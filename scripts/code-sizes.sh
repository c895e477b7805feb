#!/bin/bash
# Lists the product's functions longer than 80 lines and source files longer than 800 lines (tests,
# benchmarks, examples, build tools (converter/tools) and generated tables aside). Exit status 1 when there is any.
# Needs Universal Ctags (Debian: universal-ctags).
cd "$(dirname "$0")/.." || exit 2
folders=(app engine profiles realmedia preview widgets platform resources converter producer media)
files=$(find "${folders[@]}" -path converter/tools -prune -o \( -name '*.cpp' -o -name '*.h' \) -print 2>/dev/null |
    grep -v '_table_data\|generated' | sort)
found=0
while read -r lines file; do
    [ "$file" = total ] && continue
    if [ "$lines" -gt 800 ]; then echo "file $lines lines: $file"; found=1; fi
done < <(echo "$files" | xargs wc -l)
long=$(echo "$files" | xargs ctags --fields=+ne --c++-kinds=f --kinds-c=f -o - |
    awk -F'\t' '{ for (i = 4; i <= NF; i++) { if ($i ~ /^line:/) l = substr($i, 6); if ($i ~ /^end:/) e = substr($i, 5) }
                  if (e - l + 1 > 80) print "function " e - l + 1 " lines: " $1 " (" $2 ":" l ")" }')
if [ -n "$long" ]; then echo "$long"; found=1; fi
exit $found
