#!/bin/sh
# The installed copy, under a fresh prefix: the command "lorix" (and its other
# name lorix-start) prepares the working folder once, runs the program there
# and hands it the folder the command was typed in, also when reached through
# a link; the desktop entry validates and opens files with the starter.
#
# usage: install_test.sh CMAKE BUILD_DIR PROGRAM_DIR
#   PROGRAM_DIR: where the program lies below the prefix (libexec/lorix)
set -eu
cmake="$1"
build="$2"
programdir="$3"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
prefix="$tmp/prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
export LORIX_HOME="$tmp/home"

# The real program answers --version before it needs a display.
out="$(cd "$tmp" && "$prefix/bin/lorix" --version)"
case "$out" in "lorix "[0-9]*) ;; *) fail "lorix --version printed: $out" ;; esac
for f in lorix.ini sample.bib sample.not manual/lorix.html pdf/watson1953.pdf; do
  [ -f "$LORIX_HOME/$f" ] || fail "the working folder was not prepared: $f is missing"
done

# From here the program is one that tells where it runs and what it got.
cat >"$prefix/$programdir/lorix" <<'STUB'
#!/bin/sh
printf '%s|%s|%s\n' "$PWD" "$LORIX_CALLER_DIR" "$*"
STUB
echo "edited=yes" >>"$LORIX_HOME/lorix.ini"
mkdir -p "$tmp/papers/sub" "$tmp/links"
ln -s "$prefix/bin/lorix" "$tmp/links/lorix"
for starter in "$prefix/bin/lorix" "$prefix/bin/lorix-start" "$tmp/links/lorix"; do
  out="$(cd "$tmp/papers" && "$starter" sub/paper.bib)"
  [ "$out" = "$LORIX_HOME|$tmp/papers|sub/paper.bib" ] || fail "$starter sub/paper.bib ran: $out"
done
grep -qx "edited=yes" "$LORIX_HOME/lorix.ini" || fail "an existing working folder was prepared again"
# Without LORIX_HOME the working folder is ~/Lorix.
out="$(cd "$tmp/papers" && env -u LORIX_HOME HOME="$tmp/user" "$prefix/bin/lorix")"
[ "$out" = "$tmp/user/Lorix|$tmp/papers|" ] || fail "lorix without LORIX_HOME ran: $out"

entry="$prefix/share/applications/lorix.desktop"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (scripts/deps.sh installs it)"
problems="$(desktop-file-validate "$entry" 2>&1)" || fail "$problems"
[ -z "$problems" ] || fail "$problems"
grep -qx 'Exec=lorix %f' "$entry" || fail "the desktop entry does not run lorix with %f"
grep -qx 'MimeType=text/x-bibtex;' "$entry" || fail "the desktop entry declares no BibTeX type"
echo "install test passed"
