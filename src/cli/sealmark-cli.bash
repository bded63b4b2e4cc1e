# bash completion for sealmark-cli
_sealmark_cli()
{
    local cur prev words cword
    _init_completion || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            command=${words[i]}
            break
        fi
    done

    case $prev in
        -o | --output-dir)
            _filedir -d
            return
            ;;
        --owner-password-file | --user-password-file | --input-password-file | --report)
            _filedir
            return
            ;;
        --passwords-csv)
            _filedir csv
            return
            ;;
        --owner-password-env | --user-password-env)
            COMPREPLY=($(compgen -v -- "$cur"))
            return
            ;;
        --strength)
            COMPREPLY=($(compgen -W 'rc4-40 rc4-128 aes-128 aes-256' -- "$cur"))
            return
            ;;
        --on-signed)
            COMPREPLY=($(compgen -W 'fail skip protect' -- "$cur"))
            return
            ;;
        --jobs)
            return
            ;;
        --allow)
            # A comma-separated list: complete the name after the last comma.
            local done="" names="all none print hires-print copy edit annotate fill-forms accessibility assemble"
            [[ $cur == *,* ]] && done=${cur%,*},
            COMPREPLY=($(compgen -P "$done" -W "$names" -- "${cur##*,}"))
            compopt -o nospace
            return
            ;;
    esac

    case $command in
        "")
            COMPREPLY=($(compgen -W 'encrypt info --help --version' -- "$cur"))
            ;;
        encrypt)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--help --recursive --output-dir --strength --allow
                    --owner-password-file --owner-password-env --owner-password-stdin
                    --user-password-file --user-password-env --input-password-file
                    --passwords-csv --on-signed --jobs --report --quiet' -- "$cur"))
            else
                # PDF files, and folders, which are inputs too.
                _filedir pdf
            fi
            ;;
        info)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--help --json --input-password-file' -- "$cur"))
            else
                _filedir pdf
            fi
            ;;
    esac
} &&
    complete -F _sealmark_cli sealmark-cli
