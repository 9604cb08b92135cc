#!/usr/bin/env bash
# Both man pages render without a warning, and every option that the programs'
# --help lists is in their page. Usage: man_test.sh KELVANE KELVANE_CALC PAGES_DIR
set -euo pipefail
kelvane=$1
calc=$2
pages=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The options named in a help text, long and short.
options_in() { grep -oE -- '(^|[^-[:alnum:]])--?[[:alpha:]][-[:alnum:]]*' | sed -E 's/^[^-]+//' | sort -u; }

check_page() {
  local page=$1 help=$2 rendered warnings option
  warnings=$(man --warnings -l "$pages/$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$page: $warnings"
  # The ASCII rendering writes every hyphen and minus as '-'.
  rendered=$(LC_ALL=C MANWIDTH=200 man -l "$pages/$page" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    grep -qx "$section" <<<"$rendered" || fail "$page: no section $section"
  done
  grep -q 'DataTran.Dat' <<<"$rendered" || fail "$page: does not say where DataTran.Dat is"
  while read -r option; do
    grep -qE -- "(^|[^-[:alnum:]])$option([^-[:alnum:]]|\$)" <<<"$rendered" ||
      fail "$page: option $option of --help is missing"
  done < <(options_in <<<"$help")
  # An option that heads a line of --help heads an item of the page, not a sentence
  # run into the one before.
  while read -r option; do
    grep -qE -- "^ {7}(-[[:alpha:]], )?$option([^-[:alnum:]]|\$)" <<<"$rendered" ||
      fail "$page: option $option of --help has no item of its own"
  done < <(grep -E '^ +-' <<<"$help" | awk '{print $1}' | tr ',' '\n' | options_in)
}

check_page kelvane.1 "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$kelvane" --help)"
calc_help=$("$calc" --help)
# The transceiver subcommand has options of its own.
if sub_help=$("$calc" transceiver --help 2>/dev/null); then calc_help+=$'\n'$sub_help; fi
# So has the plan subcommand.
if plan_help=$("$calc" plan --help 2>/dev/null); then calc_help+=$'\n'$plan_help; fi
check_page kelvane-calc.1 "$calc_help"

((failures == 0)) || exit 1
echo "man page checks passed"
