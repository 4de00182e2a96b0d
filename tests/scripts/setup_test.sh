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

# apt-get notes each call in $work/calls ("update", "install", "install -t
# RELEASE") and fails the ones named in $STANDIN_FAILS, as apt does.
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
call=""
while [ $# -gt 0 ]; do
  case $1 in
    update | install) call=$1 ;;
    -t) call="$call -t $2"; shift ;;
  esac
  shift
done
echo "$call" >>"$STANDIN_CALLS"
grep -qxF -- "$call" <<<"$STANDIN_FAILS" || exit 0
if [ "$call" = update ]; then
  echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (54420 != 54428). Mirror sync in progress?"
else
  echo "E: Unable to correct problems, you have held broken packages."
fi
exit 100
STANDIN
printf '#!/bin/sh\n' >"$work/bin/dpkg-query" # nothing is installed
printf '#!/bin/sh\necho i386\n' >"$work/bin/dpkg"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

index="scripts/setup: apt-get update could not fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"
# name | the calls that fail | exit | calls made | the first line it says (none: nothing)
cases=(
  "index fails|update|0|update,install|$index"
  "only the release resolves|install|0|update,install,install -t $release|"
  "nothing resolves|install,install -t $release|1|update,install,install -t $release|E: Unable to correct problems"
)
failures=0
for c in "${cases[@]}"; do
  IFS='|' read -r name fails code calls says <<<"$c"
  : >"$work/calls"
  output=$(PATH="$work/bin:$PATH" STANDIN_CALLS="$work/calls" STANDIN_FAILS="${fails//,/$'\n'}" \
    bash "$setup" 2>&1)
  got=$?
  made=$(paste -sd, "$work/calls")
  problems=()
  [ "$got" = "$code" ] || problems+=("exit code $got, not $code")
  [ "$made" = "$calls" ] || problems+=("apt-get calls '$made', not '$calls'")
  [[ "$(head -n 1 <<<"$output")" == "$says"* ]] || problems+=("it does not begin '$says'")
  if [ "$code" = 0 ] && [ "$(grep -c . <<<"$output")" -gt "$([ -n "$says" ] && echo 1 || echo 0)" ]; then
    problems+=("it says more than the failed index")
  fi
  if [ "$code" != 0 ] && ! grep -qF "apt-get install --no-install-recommends -t $release cmake" <<<"$output"; then
    problems+=("it does not say what to run")
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
