# bash completion for qorldap: subcommands, their options, and the names
# of the profiles at the chosen location.

_qorldap_profiles() {
    local location=0 i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -l | --location) location=${COMP_WORDS[i + 1]} ;;
        esac
    done
    qorldap --location "$location" list 2>/dev/null | cut -f1
}

_qorldap() {
    local cur prev sub="" i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="list show set delete fallback verify schema check passwd hash-check"
    local globals="--json -v --verbose -l --location --help --version"
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -l | --location) ((i++)) ;;
            -*) ;;
            *)
                sub=${COMP_WORDS[i]}
                break
                ;;
        esac
    done
    case $prev in
        -l | --location)
            mapfile -t COMPREPLY < <(compgen -W "0 1 2 3" -- "$cur")
            return
            ;;
    esac
    local options=""
    case $sub in
        "")
            mapfile -t COMPREPLY < <(compgen -W "$commands $globals" -- "$cur")
            return
            ;;
        show) options="--reveal-password" ;;
        set) options="--host --hosts --base --bind-dn --bind-password-stdin --port --ssl --posix --ad --anonymous
                      --simple --integrated --ldap-version --size-limit --timeout --deref --referrals --gstring" ;;
        check | passwd) options="--password-stdin" ;;
        fallback) options="get set" ;;
    esac
    case $sub in
        show | set | delete | verify | schema | check | passwd)
            if [[ $cur != -* ]] && ((i == COMP_CWORD - 1)); then
                mapfile -t COMPREPLY < <(compgen -W "$(_qorldap_profiles)" -- "$cur")
                return
            fi
            ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$options $globals" -- "$cur")
}
complete -F _qorldap qorldap
