# Reads a machine-readable debian/copyright file and prints what of it covers the given source
# files: for each file the last Files paragraph that matches it (as the format says), each printed
# once in the file's order, then the stand-alone License paragraphs that those name.
# Usage: awk -v files=LIST -f copyright-for-files.awk copyright   (LIST: one path a line)
BEGIN {
    while ((getline path < files) > 0)
        wanted[++wantedCount] = path
    RS = ""
    FS = "\n"
}

# A Files pattern as a regular expression: "*" is any text, "/" included, and "?" one character.
function patternRegex(pattern) {
    gsub(/[.+^$(){}|\[\]\\]/, "\\\\&", pattern)
    gsub(/\*/, ".*", pattern)
    gsub(/\?/, ".", pattern)
    return "^" pattern "$"
}

# The value of the field NAME in the current paragraph, its continuation lines joined by spaces
# unless firstLineOnly is set.
function field(name, firstLineOnly,    i, value) {
    for (i = 1; i <= NF; ++i) {
        if (index($i, name ":") != 1)
            continue
        value = substr($i, length(name) + 2)
        while (!firstLineOnly && i < NF && $(i + 1) ~ /^[ \t]/)
            value = value " " $(++i)
        gsub(/^[ \t]+|[ \t]+$/, "", value)
        return value
    }
    return ""
}

{
    files = field("Files")
    license = field("License", 1)
    if (files == "") {
        if (license != "" && field("Format") == "") {
            standalone[license] = $0
            standaloneOrder[++standaloneCount] = license
        }
        next
    }
    paragraph[++paragraphCount] = $0
    licenseOf[paragraphCount] = license
    patternCount = split(files, patterns, /[ \t]+/)
    for (i = 1; i <= patternCount; ++i) {
        if (patterns[i] ~ /[*?]/)
            globs[paragraphCount] = globs[paragraphCount] " " patternRegex(patterns[i])
        else
            literal[patterns[i]] = paragraphCount
    }
}

END {
    for (w = 1; w <= wantedCount; ++w) {
        path = wanted[w]
        match_ = (path in literal) ? literal[path] : 0
        for (p = paragraphCount; p > match_; --p) {
            globCount = split(globs[p], regexes, " ")
            for (g = 1; g <= globCount; ++g)
                if (path ~ regexes[g])
                    break
            if (g <= globCount)
                break
        }
        if (p > 0 && !(p in chosen)) {
            chosen[p] = ++chosenCount
            order[chosenCount] = p
        }
    }
    for (c = 1; c <= chosenCount; ++c) {
        p = order[c]
        print paragraph[p] "\n"
        nameCount = split(licenseOf[p], names, /,? +(or|and) +/)
        named[licenseOf[p]] = 1
        for (n = 1; n <= nameCount; ++n)
            named[names[n]] = 1
    }
    for (s = 1; s <= standaloneCount; ++s)
        if (standaloneOrder[s] in named)
            print standalone[standaloneOrder[s]] "\n"
}
