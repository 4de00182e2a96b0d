#!/usr/bin/env bash
# Drives scripts/setup with stand-ins for apt-get, dpkg, dpkg-query and sudo on
# PATH: a package index that fails to download, an install that only the
# release's own versions resolve, and one that nothing resolves.
# Usage: setup_test.sh SETUP_SCRIPT
set -uo pipefail
setup=$1
release=$( (. /etc/os-release && echo "${VERSION_CODENAME:-}") 2>/dev/null)
if [ -z "$release" ]; then
  echo "this system names no release in /etc/os-release"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# The stand-ins act as STANDIN_* say and note each apt-get call in $work/calls.
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
op="" target=""
while [ $# -gt 0 ]; do
  case $1 in
    update | install) op=$1 ;;
    -t) target=" -t $2"; shift ;;
  esac
  shift
done
echo "$op$target" >>"$STANDIN_CALLS"
case "$op$target" in
  update) outcome=$STANDIN_UPDATE ;;
  install) outcome=$STANDIN_INSTALL ;;
  *) outcome=$STANDIN_RELEASE_INSTALL ;;
esac
[ "$outcome" = ok ] && exit 0
if [ "$op" = update ]; then
  echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (54420 != 54428). Mirror sync in progress? [IP: 151.101.2.132 80]"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
else
  echo "E: Unable to correct problems, you have held broken packages."
fi
exit 100
STANDIN
cat >"$work/bin/dpkg-query" <<'STANDIN'
#!/bin/sh
[ "$STANDIN_INSTALLED" = yes ] && printf 'install ok installed'
STANDIN
cat >"$work/bin/dpkg" <<'STANDIN'
#!/bin/sh
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
STANDIN
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

fetch="apt-get update could not fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"
# name | installed | update | install | install -t release | exit | calls | what it says
cases=(
  "all present|yes|ok|ok|ok|0||"
  "index fails|no|fail|ok|ok|0|update,install|$fetch"
  "only the release resolves|no|ok|fail|ok|0|update,install,install -t $release|"
  "both at once|no|fail|fail|ok|0|update,install,install -t $release|$fetch"
  "nothing resolves|no|ok|fail|fail|1|update,install,install -t $release|apt-get install --no-install-recommends -t $release cmake"
)
failures=0
for c in "${cases[@]}"; do
  IFS='|' read -r name installed update install release_install code calls says <<<"$c"
  : >"$work/calls"
  output=$(PATH="$work/bin:$PATH" STANDIN_CALLS="$work/calls" STANDIN_INSTALLED=$installed \
    STANDIN_UPDATE=$update STANDIN_INSTALL=$install STANDIN_RELEASE_INSTALL=$release_install \
    bash "$setup" 2>&1)
  got=$?
  made=$(paste -sd, "$work/calls")
  problems=()
  [ "$got" = "$code" ] || problems+=("exit code $got, not $code")
  [ "$made" = "$calls" ] || problems+=("apt-get calls '$made', not '$calls'")
  if [ -n "$says" ]; then
    grep -qF -- "$says" <<<"$output" || problems+=("it does not say '$says'")
  fi
  if [ "$update" = fail ] && [ "$(grep -c 'apt-get update' <<<"$output")" != 1 ]; then
    problems+=("the failed index takes other than one line")
  fi
  if [ "$code" = 0 ] && [ "$(grep -c . <<<"$output")" -gt "$([ "$update" = fail ] && echo 1 || echo 0)" ]; then
    problems+=("it says more than the failed index")
  fi
  if [ ${#problems[@]} -gt 0 ]; then
    failures=$((failures + 1))
    echo "FAILED $name: ${problems[*]}"
    printf '  said: %s\n' "$output"
  else
    echo "ok $name"
  fi
done
echo "$((${#cases[@]} - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
