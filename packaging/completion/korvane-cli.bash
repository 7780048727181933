# bash completion for korvane-cli: options, the command names the program itself lists, the
# encodings --from and --to take, and file names.
_korvane_cli() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  case $prev in
    -e|--command)
      local IFS=$'\n'
      COMPREPLY=($(compgen -W "$("${COMP_WORDS[0]}" --list-commands 2>/dev/null)" -- "$cur"))
      return ;;
    -f|--recipe|-o|--output)
      COMPREPLY=($(compgen -f -- "$cur"))
      compopt -o filenames 2>/dev/null
      return ;;
    --from)
      COMPREPLY=($(compgen -W "auto cp932 utf-8 utf-16le utf-16be euc-jp iso-2022-jp" -- "$cur"))
      return ;;
    --to)
      COMPREPLY=($(compgen -W "cp932 utf-8 utf-8-bom utf-16le euc-jp" -- "$cur"))
      return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "-e --command -f --recipe -o --output --from --to --refs --drop
      --use-file-name -h --help --version --list-commands --" -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -f -- "$cur"))
  compopt -o filenames 2>/dev/null
}
complete -F _korvane_cli korvane-cli
