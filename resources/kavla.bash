# bash completion for kavla: its commands, their options, the entries' numbers (asked of the
# running Kavla) and what `show` opens.
_kavla()
{
    local current=${COMP_WORDS[COMP_CWORD]} command=${COMP_WORDS[1]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        mapfile -t COMPREPLY < <(compgen -W "list search get copy paste pin unpin delete clear show hide help
            --guide --help --version" -- "$current")
        return
    fi
    local words=
    case $command in
    list) words="--json --dmenu" ;;
    search) [[ $current == -* ]] && words="--json --dmenu --" ;;
    get|copy|paste|pin|unpin|delete)
        [ "$COMP_CWORD" -eq 2 ] && words="--from-line $("${COMP_WORDS[0]}" list 2>/dev/null | cut -f1)" ;;
    show) [ "$COMP_CWORD" -eq 2 ] && words="popup settings guide history" ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$current")
}
complete -F _kavla kavla
