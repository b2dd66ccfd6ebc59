#!/usr/bin/env bash
# Writes the source tarball of the checkout's last commit: git archive, with the date of the
# commit (its files', and the one a build of the tarball uses, in a file source-date-epoch at its
# top, so that the date does not depend on how it is unpacked), compressed without a name or time.
# The same commit gives the same bytes with the same git and gzip.
# Usage: source-tarball.sh VERSION OUTPUT   (OUTPUT: keyfold-VERSION.tar.gz, say)
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
git -C "$project" rev-parse --verify -q HEAD >/dev/null ||
    { echo "source-tarball: $project is not a git checkout with a commit" >&2; exit 2; }
record=$(mktemp -d)
trap 'rm -rf "$record"' EXIT
# As a build of the checkout dates itself (cmake/reproducible.cmake): the commit's date, less that
# of the Windows signatures, which are committed after the release.
git -C "$project" log -1 --format=%ct -- . ':(exclude)packaging/windows/signatures' \
    >"$record/source-date-epoch"
git -C "$project" archive --format=tar --prefix="keyfold-$1/" \
    --add-file="$record/source-date-epoch" HEAD | gzip -9n >"$2"
