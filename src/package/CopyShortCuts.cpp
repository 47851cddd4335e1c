#include "package/CopyShortCuts.h"

namespace zelto::package {

namespace {

// A value of a desktop entry is one line: its own escapes keep any character of a path.
std::string entryValue(const std::string& v) {
    std::string out;
    for (char c : v) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    if (!out.empty() && out.front() == ' ')
        out.replace(0, 1, "\\s");
    return out;
}

// Exec has a quoting of its own under the value escapes: a home folder with spaces, quotes or
// '%' in its name must still start the right file.
std::string execArgument(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';
    }
    out += '"';
    return entryValue(out);
}

// Single quotes pass everything but themselves; a quote inside is closed, escaped, reopened.
std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    out += '\'';
    return out;
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Double-clicked in a file manager, the script's input is /dev/null and its questions would
// go unseen and unanswered: it starts itself again in a terminal window. Answers piped or
// redirected in (a script, `yes n | ...`) are not a reason to open one.
std::string reopenInTerminal() {
    return "if [ ! -t 0 ] && [ -c /dev/stdin ] && [ -z \"$ZELTO_REMOVE_REOPENED\" ]; then\n"
           "  ZELTO_REMOVE_REOPENED=1; export ZELTO_REMOVE_REOPENED\n"
           "  case \"$0\" in /*) self=\"$0\" ;; *) self=\"$PWD/$0\" ;; esac\n"
           "  for term in x-terminal-emulator gnome-terminal konsole xfce4-terminal "
           "mate-terminal xterm; do\n"
           "    command -v \"$term\" >/dev/null 2>&1 || continue\n"
           "    case \"$term\" in\n"
           "      gnome-terminal) exec \"$term\" -- /bin/sh \"$self\" ;;\n"
           "      xfce4-terminal|mate-terminal) exec \"$term\" -x /bin/sh \"$self\" ;;\n"
           "      *) exec \"$term\" -e /bin/sh \"$self\" ;;\n"
           "    esac\n"
           "  done\n"
           "  text=\"Zelto_remove.sh needs a terminal for its questions and none was found. "
           "Open a terminal and type: sh '$self'\"\n"
           "  notify-send Zelto \"$text\" 2>/dev/null ||\n"
           "    gdbus call --session --dest org.freedesktop.Notifications "
           "--object-path /org/freedesktop/Notifications "
           "--method org.freedesktop.Notifications.Notify Zelto 0 '' Zelto \"$text\" '[]' '{}' "
           "0 >/dev/null 2>&1\n"
           "  exit 1\n"
           "fi\n";
}

}  // namespace

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string launcherText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=Zelto\n"
           "Comment=Zelto\n"
           "Exec=" +
           execArgument(program) +
           "\n"
           "Path=" +
           entryValue(folderOf(program)) +
           "\n"
           "Icon=network-wired\n"
           "Terminal=false\n"
           "Categories=Network;\n";
}

std::string removalScript(const std::string& installDir, const std::string& launcher) {
    const std::string dir = shellQuote(withoutTrailingSlash(installDir));
    const std::string link = shellQuote(launcher);
    // Line endings are LF only: a CR would become part of every command and path.
    return "#!/bin/sh\n" + reopenInTerminal() +
           "echo 'Delete the following folder and its files:'\n"
           "printf '%s, Are you sure (Y/N)? ' " +
           dir +
           "\n"
           "read answer\n"
           "case \"$answer\" in [Yy]*) rm -rf -- " +
           dir +
           " ;; esac\n"
           "echo .\n"
           "echo .\n"
           "echo .\n"
           "echo 'Deleting shortcut to Zelto'\n"
           "printf '%s, Delete (Y/N)? ' " +
           link +
           "\n"
           "read answer\n"
           "case \"$answer\" in [Yy]*) rm -f -- " +
           link +
           " ;; esac\n"
           "echo .\n"
           "echo .\n"
           "echo .\n"
           "printf '%s and shortcut deleted.  Please delete Zelto_remove.sh\\n' " +
           dir +
           "\n"
           "echo .\n"
           "printf 'Press Enter to continue . . . '\n"
           "read answer\n";
}

}  // namespace zelto::package
