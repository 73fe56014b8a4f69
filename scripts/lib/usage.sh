# Sourced by every command in scripts/: answer_help SCRIPT ARGUMENT... prints the comment block
# at the top of the script, which says what it does and how to call it, and exits when the first
# argument is -h or --help.
answer_help() {
  local script=$1
  shift
  [[ ${1:-} == -h || ${1:-} == --help ]] || return 0
  sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$script"
  exit 0
}
