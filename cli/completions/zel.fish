# fish completion for zel: the commands, the options each command takes and file names; decode
# offers the names ending in _ZEL (and folders) first, and all names when none does.
# Installed as share/fish/vendor_completions.d/zel.fish.

# The command given so far: options may come before or after it, so it is the first word that
# is neither an option nor an option's value.
function __zel_command
    set -l expect
    set -l ended
    for word in (commandline -opc)[2..-1]
        if set -q expect[1]
            set -e expect
        else if set -q ended[1]; or not string match -q -- '-?*' $word
            echo $word
            return 0
        else if test $word = --
            set ended 1
        # Letters run together (-qo): one that takes a value takes the rest of the word, or the
        # next word when it is the last.
        else if string match -qr -- '^(--(output|key|key-file)|-[^-ok]*[ok])$' $word
            set expect 1
        end
    end
    return 1
end

function __zel_command_is
    test "$(__zel_command)" = $argv[1]
end

function __zel_coded_files
    set -l names (complete -C "__fish_command_without_completions "(commandline -ct))
    if string match -qr -- '_ZEL$' $names
        string match -r -- '^.*(?:_ZEL|/)$' $names
    else
        printf '%s\n' $names
    end
end

complete -c zel -f
complete -c zel -n 'not __zel_command' -a code -d 'Code files with a freshly drawn key'
complete -c zel -n 'not __zel_command' -a decode -d 'Decode coded files with their key'
complete -c zel -s q -l quiet -d 'No progress line'
complete -c zel -s o -l output -r -F -d 'The output: a file, or a folder for the default names'
complete -c zel -s k -l key -x -n 'not __zel_command_is code' \
    -d 'The key (other users see it in the process list)'
complete -c zel -l key-file -r -F -n 'not __zel_command_is code' \
    -d 'The key is the first line of this file (- for standard input)'
complete -c zel -s h -l help -d 'Show the usage'
complete -c zel -l version -d 'Show the version'
complete -c zel -n '__zel_command; and not __zel_command_is decode' -F
complete -c zel -n '__zel_command_is decode' -a '(__zel_coded_files)'
