# awk -v copy=N -f realcopies.awk FILE.bib
# Copy number N of a real .bib file for the format benchmark: its entries
# whose type every BibTeX tool knows, with "_N" added to each key; its
# @string and @preamble blocks in copy 1 only. Other blocks (unknown types,
# @comment) and the text between them are left out.
BEGIN {
    n = split("article book booklet conference inbook incollection inproceedings manual mastersthesis misc phdthesis proceedings techreport unpublished", t, " ")
    for (i = 1; i <= n; i++) std[t[i]] = 1
}
/^[ \t]*@/ {
    type = tolower($0); sub(/^[ \t]*@[ \t]*/, "", type); sub(/[^a-z0-9_-].*/, "", type)
    keep = (type in std) || ((type == "string" || type == "preamble") && copy == 1)
    if ((type in std)) {
        line = $0
        if (match(line, /[{(][^,]*,/) && RLENGTH > 2) {
            head = substr(line, 1, RSTART + RLENGTH - 2); rest = substr(line, RSTART + RLENGTH - 1)
            print head "_" copy rest
            next
        }
        keep = 0
    }
}
keep { print }
