#include "cli/CCommandLine.h"

#include "cli/CConsoleProgress.h"
#include "cli/CConsolePrompts.h"
#include "cli/CSystemServices.h"
#include "db/CCdlistSet.h"
#include "intake/CSessionTexts.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CDataDir.h"
#include "platform/CRegularFile.h"
#include "platform/CScanLock.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "playlist/CM3uFile.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <new>
#include <unistd.h>

namespace {

// The file being read when the program last died, named once, as the window does.
void ReportCrashMarker(QTextStream& err)
{
    // The name is escaped first: a line break in it is no break of the message.
    for (const QString& file : CScanLock::TakeCrashMarkers())
        err << "cratewise: " << CSessionTexts::Crashed(CText::Printable(file)).replace(u'\n', u' ')
            << Qt::endl;
}

void OpenCatalogue(CCdlistDoc& doc, const QString& path, bool onlyReads, QTextStream& err)
{
    try {
        doc.OpenDatabase(path, [](const QString& caption) {
            return std::unique_ptr<CProgress>(std::make_unique<CConsoleProgress>(caption));
        });
        // A newer catalogue: a command that reads goes on after the one line; one that
        // writes is refused before it touches a file.
        if (const QString notice = doc.Database().NewerLayoutNotice(); !notice.isEmpty()) {
            if (!onlyReads)
                throw CDbException(notice);
            err << "cratewise: " << CText::Printable(notice) << Qt::endl;
        }
    } catch (const CDbException& e) {
        // A command that only reads can still list a catalogue that cannot be written; when
        // the file cannot even be read, the first reason is the one to give.
        if (!onlyReads || !QFileInfo::exists(path))
            throw;
        try {
            doc.OpenDatabaseForReading(path);
        } catch (const CDbException&) {
            throw e;
        }
    }
}

struct SGlobalOptions
{
    QString dataDir;
    CConsolePrompts::EPolicy policy = CConsolePrompts::EPolicy::Safe;
    bool help = false;
    bool version = false;
    bool manual = false;     // hidden: the build writes cratewise.1 from it
    bool completion = false; // hidden: the build writes the bash completion from it
};

SGlobalOptions TakeGlobalOptions(QStringList& args)
{
    SGlobalOptions options;
    for (qsizetype i = 0; i < args.size();) {
        const QString& a = args[i];
        if (a == QLatin1String("--data-dir")) {
            if (i + 1 >= args.size())
                throw CCliError(QStringLiteral("--data-dir needs a folder"));
            options.dataDir = args[i + 1];
            args.remove(i, 2);
        } else if (a.startsWith(QLatin1String("--data-dir="))) {
            options.dataDir = a.mid(11);
            args.remove(i);
        } else if (a == QLatin1String("--yes") || a == QLatin1String("--no")) {
            options.policy = a == QLatin1String("--yes") ? CConsolePrompts::EPolicy::Yes
                                                         : CConsolePrompts::EPolicy::No;
            args.remove(i);
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options.help = true;
            args.remove(i);
        } else if (a == QLatin1String("--version")) {
            options.version = true;
            args.remove(i);
        } else if (a == QLatin1String("--man")) {
            options.manual = true;
            args.remove(i);
        } else if (a == QLatin1String("--bash-completion")) {
            options.completion = true;
            args.remove(i);
        } else {
            ++i;
        }
    }
    return options;
}

} // namespace

CCommandLine::CCommandLine()
{
    RegisterAllCommands(*this);
}

void CCommandLine::Add(SCliCommand command)
{
    m_commands.push_back(std::move(command));
}

int CCommandLine::Main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << CFileNames::Decode(argv[i]); // a folder named in Latin-1 keeps its bytes
    QStringList rest = args;
    try {
        const SGlobalOptions options = TakeGlobalOptions(rest);
        if (!options.help && !options.version && !options.manual && !options.completion &&
            rest.isEmpty())
            return -1; // no command: the window
    } catch (const CCliError&) {
        // Reported by Run below.
    }
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    CCommandLine cli;
    return CheckOutput(cli.Run(args, out, err), out, err);
}

int CCommandLine::CheckOutput(int status, QTextStream& out, QTextStream& err)
{
    out.flush();
    auto* file = qobject_cast<QFileDevice*>(out.device());
    // The stream keeps its first failure; the file's own buffer is emptied here.
    const bool flushed = file ? file->flush() : true;
    if (out.status() != QTextStream::WriteFailed && flushed)
        return status;
    const QString reason = file && file->error() != QFileDevice::NoError
                               ? file->errorString()
                               : QStringLiteral("the output was not written");
    err << "cratewise: cannot write the output: " << reason << Qt::endl;
    return status == 0 ? 1 : status;
}

QString CCommandLine::DataDirOption(QStringList args)
{
    try {
        return TakeGlobalOptions(args).dataDir;
    } catch (const CCliError&) {
        return {};
    }
}

int CCommandLine::Run(QStringList args, QTextStream& out, QTextStream& err)
{
    // A settings write that did not reach the file fails the command; the first one is
    // the line printed, whatever the command writes after it.
    QString unsaved;
    const CSettings::FailureListener previous =
        CSettings::SetWriteFailureListener([&unsaved](const QString& message) {
            if (unsaved.isEmpty())
                unsaved = message;
        });
    // A hand-edited value that reads as its default is named once, and the command goes on.
    const CSettings::WarningListener previousWarning =
        CSettings::SetReadWarningListener([&err](const QString& message) {
            err << "cratewise: " << CText::Printable(message) << Qt::endl;
        });
    const auto restore = qScopeGuard([&] {
        CSettings::SetWriteFailureListener(previous);
        CSettings::SetReadWarningListener(previousWarning);
    });
    try {
        const SGlobalOptions options = TakeGlobalOptions(args);
        if (options.version) {
            out << "Cratewise " << CRATEWISE_VERSION << Qt::endl;
            return 0;
        }
        if (options.manual) {
            out << Manual();
            return 0;
        }
        if (options.completion) {
            out << BashCompletion();
            return 0;
        }
        if (options.help || args.isEmpty()) {
            out << Help();
            return 0;
        }
        const QString name = args.takeFirst();
        const auto it = std::find_if(m_commands.begin(), m_commands.end(),
                                     [&](const SCliCommand& c) { return c.name == name; });
        if (it == m_commands.end())
            throw CCliError(
                QStringLiteral("unknown command \"%1\" (see cratewise --help)").arg(name));
        // Going on would show defaults as the settings and refuse every change.
        if (const QString unreadable = CSettings::ReadError(); !unreadable.isEmpty())
            throw CCliError(unreadable);
        const bool mayCreate = it->catalogue == SCliCommand::ECatalogue::MayCreate;
        const QString dataDir = CDataDir::Resolve(options.dataDir, mayCreate);
        const QString catalogue = CDataDir::DatabasePath(dataDir);
        const bool exists = QFileInfo::exists(catalogue);
        if (!exists && it->catalogue == SCliCommand::ECatalogue::Existing)
            throw CCliError(QStringLiteral("there is no catalogue in %1 (no %2 there); "
                                           "add-session or import-m3u makes one")
                                .arg(dataDir, QFileInfo(catalogue).fileName()));
        CCdlistDoc doc;
        if (exists || mayCreate)
            OpenCatalogue(doc, catalogue, it->onlyReads, err);
        ReportCrashMarker(err);
        CConsolePrompts prompts(options.policy, err);
        CSystemServices system(prompts, dataDir);
        SAppServices& services = system.Services();
        services.createProgress = [](const QString& caption, int, int) {
            return std::unique_ptr<CProgress>(std::make_unique<CConsoleProgress>(caption));
        };
        SCliContext context{args, dataDir, doc, services, doc.Set(), prompts, out, err};
        const int status = it->run(context);
        if (!unsaved.isEmpty())
            throw CCliError(unsaved);
        out.flush();
        return status;
    } catch (const CCliError& e) {
        out.flush();
        err << "cratewise: " << CText::Printable(e.Message()) << Qt::endl;
        return e.Status();
    } catch (const CDbException& e) {
        out.flush();
        err << "cratewise: " << CText::Printable(e.Message()) << Qt::endl;
    } catch (const std::bad_alloc&) {
        // What was committed stays; the command ends with the reason, not an abort.
        out.flush();
        err << "cratewise: there was not enough memory to finish the command" << Qt::endl;
    }
    return 1;
}

QString CCommandLine::Help() const
{
    QString text =
        QStringLiteral("Usage: cratewise [--data-dir DIR]                 start the window\n"
                       "       cratewise [--data-dir DIR] [--yes|--no] COMMAND [ARGUMENTS]\n"
                       "       cratewise --help | --version\n\nCommands:\n");
    for (const SCliCommand& c : m_commands)
        text += QStringLiteral("  %1\n      %2\n").arg(c.usage, c.summary);
    text += QStringLiteral("\nQuestions the window would ask are answered by --yes or --no "
                           "(default: the safe answer).\n");
    return text;
}

namespace {

// Text for roff: a backslash, a hyphen-minus (so options can be copied and searched)
// and a dot or quote at the start of a line would otherwise be read as markup; a
// character past ASCII is named by its code point, which troff reads in any locale.
QString Roff(QString text)
{
    text.replace(u'\\', QLatin1String("\\e"));
    text.replace(u'-', QLatin1String("\\-"));
    if (text.startsWith(u'.') || text.startsWith(u'\''))
        text.prepend(QLatin1String("\\&"));
    QString out;
    for (char32_t c : text.toUcs4()) {
        if (c < 0x80)
            out += QChar(c);
        else
            out += QStringLiteral("\\[u%1]").arg(
                QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
    }
    return out;
}

} // namespace

QStringList CCommandLine::OptionsOf(const SCliCommand& command)
{
    QStringList options;
    static const QRegularExpression option(QStringLiteral("--[a-z0-9][a-z0-9-]*"));
    for (auto it = option.globalMatch(command.usage); it.hasNext();) {
        const QString name = it.next().captured();
        if (!options.contains(name))
            options << name;
    }
    return options;
}

QString CCommandLine::Manual() const
{
    QString page =
        QStringLiteral(
            ".TH CRATEWISE 1 \"\" \"Cratewise %1\" \"User Commands\"\n"
            ".SH NAME\ncratewise \\- catalogue of MP3 files on CDs and in folders\n"
            ".SH SYNOPSIS\n"
            ".B cratewise\n[\\fB\\-\\-data\\-dir\\fR \\fIDIR\\fR]\n.br\n"
            ".B cratewise\n[\\fB\\-\\-data\\-dir\\fR \\fIDIR\\fR] "
            "[\\fB\\-\\-yes\\fR|\\fB\\-\\-no\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n.br\n"
            ".B cratewise\n\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n"
            ".SH DESCRIPTION\n"
            "Without a command, \\fBcratewise\\fR opens its window. With a command it works "
            "on the same catalogue without a display: tabular output is separated by tabs, and a "
            "failure prints one line on standard error and exits with status 1.\n"
            ".SH OPTIONS\n"
            ".TP\n\\fB\\-\\-data\\-dir\\fR \\fIDIR\\fR\n"
            "The folder that holds the catalogue (songs3.mdb); else \\fB$CRATEWISE_HOME\\fR, "
            "the current folder when it holds songs3.mdb, or ~/.local/share/Quillfen/Cratewise.\n"
            ".TP\n\\fB\\-\\-yes\\fR, \\fB\\-\\-no\\fR\n"
            "Answer the questions the window would ask (default: the safe answer).\n"
            ".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nList the commands.\n"
            ".TP\n\\fB\\-\\-version\\fR\nPrint the version.\n"
            ".SH COMMANDS\n")
            .arg(QStringLiteral(CRATEWISE_VERSION));
    for (const SCliCommand& c : m_commands) {
        page += QStringLiteral(".TP\n\\fB%1\\fR\n%2\n").arg(Roff(c.usage), Roff(c.summary));
        if (!c.details.isEmpty())
            page += QStringLiteral(".IP\n%1\n").arg(Roff(c.details));
    }
    page += QStringLiteral(
        ".SH JSON OUTPUT\n"
        "With \\fB\\-\\-json\\fR, \\fBsessions\\fR, \\fBsongs\\fR, \\fBsearch\\fR, "
        "\\fBduplicates\\fR, \\fBstats\\fR, \\fBconfig\\fR and \\fBplayer status\\fR print one "
        "JSON document (UTF\\-8) instead of tab\\-separated lines. A song is an object whose "
        "fields are named as the catalogue's columns: CD, LIST, TITLE, ARTIST, ALBUM, GENRE, "
        "YEAR, COMMENT, PATH and MELODI as texts; ID, USE, BITRATE, DURATION (seconds) and "
        "TRACK as numbers (null when the catalogue holds none). Texts are never escaped as the "
        "tab\\-separated output escapes them.\n"
        ".PP\n.EX\ncratewise search \\-\\-album Blue \\-\\-json | jq \\-r '.[] | "
        "select(.DURATION > 300) | .ID'\n.EE\n");
    page +=
        QStringLiteral(".SH ENVIRONMENT\n"
                       ".TP\n\\fBCRATEWISE_HOME\\fR\nThe data folder when \\fB\\-\\-data\\-dir\\fR "
                       "is not given.\n"
                       ".TP\n\\fBCRATEWISE_CONFIG\\fR\nThe settings file instead of "
                       "~/.config/Quillfen/Cratewise\\ .ini.\n"
                       ".TP\n\\fBCRATEWISE_AUDIO_OUTPUT\\fR\nThe built-in player's output: "
                       "auto, pulse, alsa, fake or a GStreamer sink, optionally followed "
                       "by :DEVICE (wav:FILE writes a WAV file).\n"
                       ".SH EXIT STATUS\n0 on success, 1 on failure (also when the output "
                       "cannot be written), 2 when \\fBsearch\\fR criteria contradict each "
                       "other, and 1 when \\fBtag\\fR could not write a song as asked or was "
                       "stopped.\n"
                       ".SH FILES\n"
                       ".TP\n\\fIsongs3.mdb\\fR\nThe catalogue (SQLite) in the data folder.\n"
                       ".TP\n\\fI/usr/share/doc/cratewise/\\fR\nThe documentation F1 opens.\n");
    return page;
}

QString CCommandLine::BashCompletion() const
{
    QString names;
    QString cases;
    for (const SCliCommand& c : m_commands) {
        names += (names.isEmpty() ? QString() : QStringLiteral(" ")) + c.name;
        const QStringList options = OptionsOf(c);
        QString values;
        if (!options.isEmpty())
            values += QStringLiteral(" options=\"%1\";").arg(options.join(u' '));
        if (!c.words.isEmpty())
            values += QStringLiteral(" words=\"%1\";").arg(c.words.join(u' '));
        if (!values.isEmpty())
            cases += QStringLiteral("        %1)%2;\n").arg(c.name, values);
    }
    return QStringLiteral(
               "# bash completion for cratewise (written by cratewise --bash-completion)\n"
               "_cratewise()\n{\n"
               "    local cur prev command= options= words= i\n"
               "    cur=${COMP_WORDS[COMP_CWORD]}\n"
               "    prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    if [[ $prev == --data-dir ]]; then\n"
               "        COMPREPLY=($(compgen -d -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
               "        case ${COMP_WORDS[i]} in\n"
               "        --data-dir) ((i++)) ;;\n"
               "        -*) ;;\n"
               "        *) command=${COMP_WORDS[i]}; break ;;\n"
               "        esac\n"
               "    done\n"
               "    if [[ -z $command ]]; then\n"
               "        if [[ $cur == -* ]]; then\n"
               "            COMPREPLY=($(compgen -W \"--data-dir --yes --no --help --version\" "
               "-- \"$cur\"))\n"
               "        else\n"
               "            COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))\n"
               "        fi\n"
               "        return\n"
               "    fi\n"
               "    case $command in\n%2"
               "    esac\n"
               "    if [[ $cur == -* && -n $options ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
               "    elif [[ -n $words && $COMP_CWORD -eq $((i + 1)) ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
               "    else\n"
               "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
               "    fi\n"
               "}\n"
               "complete -o filenames -F _cratewise cratewise\n")
        .arg(names, cases);
}

QString CCommandLine::TakeOption(QStringList& args, const QString& name)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return {};
    if (i + 1 >= args.size())
        throw CCliError(QStringLiteral("%1 needs a value").arg(name));
    const QString value = args[i + 1];
    args.remove(i, 2);
    return value;
}

bool CCommandLine::TakeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

QList<SM3uLine> CCommandLine::ReadPlaylist(const QString& file)
{
    QList<SM3uLine> lines;
    QString error;
    if (!CM3uFile::Read(file, lines, error))
        throw CCliError(error.replace(u'\n', QStringLiteral(": ")));
    return lines;
}

QString CCommandLine::ReadText(const QString& name)
{
    QByteArray bytes;
    QString reason;
    // Standard input may be a pipe; a named file must be a regular one.
    const bool read = name == QLatin1String("-")
                          ? CRegularFile::ReadAll(STDIN_FILENO, kMaxTextFile, bytes, reason)
                          : CRegularFile::Read(name, kMaxTextFile, bytes, reason);
    if (!read)
        throw CCliError(QStringLiteral("%1: %2").arg(name, reason));
    return QString::fromUtf8(bytes);
}

void CCommandLine::ExpectArguments(const QStringList& args, int count, const QString& usage)
{
    if (args.size() != count)
        throw CCliError(QStringLiteral("usage: cratewise %1").arg(usage));
}

void CCommandLine::PrintSong(QTextStream& out, const SSong& song)
{
    // Tabs and line breaks inside a value would break the columns.
    out << song.m_ID;
    for (const QString* value :
         {&song.m_LIST, &song.m_TITLE, &song.m_ARTIST, &song.m_ALBUM, &song.m_GENRE, &song.m_YEAR,
          &song.m_BITRATE, &song.m_DURATION, &song.m_PATH, &song.m_MELODI})
        out << '\t' << CText::Printable(*value);
    out << '\n';
}

bool CCommandLine::TakeJson(QStringList& args)
{
    return TakeFlag(args, QStringLiteral("--json"));
}

void CCommandLine::PrintJson(QTextStream& out, const QJsonDocument& document)
{
    // UTF-8 as it is: texts stay readable, and only what JSON must escape is escaped.
    out << QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

QJsonValue CCommandLine::NumberJson(const QString& text)
{
    if (text.isEmpty())
        return QJsonValue::Null;
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    return ok ? QJsonValue(number) : QJsonValue(text);
}

QJsonObject CCommandLine::SongJson(const SSong& song)
{
    QJsonObject object;
    object.insert(QStringLiteral("ID"), song.m_ID);
    for (const ESongColumn column :
         {ESongColumn::CD, ESongColumn::LIST, ESongColumn::TITLE, ESongColumn::ARTIST,
          ESongColumn::ALBUM, ESongColumn::GENRE, ESongColumn::YEAR, ESongColumn::COMMENT,
          ESongColumn::PATH, ESongColumn::MELODI})
        object.insert(QLatin1String(CSongColumns::Name(column)), song.Text(column));
    object.insert(QStringLiteral("BITRATE"), NumberJson(song.m_BITRATE));
    object.insert(QStringLiteral("DURATION"), NumberJson(song.m_DURATION));
    object.insert(QStringLiteral("TRACK"), NumberJson(song.m_TRACK));
    object.insert(QStringLiteral("USE"), song.m_USE);
    return object;
}
