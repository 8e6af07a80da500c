// Load and save steps around the reader, and the writer's fixed layout.
#include "core/library.h"

#include "core/errors.h"
#include "core/fileio.h"
#include "core/reader.h"
#include "core/scan.h"
#include "core/text.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace lorix {

namespace {

void AppendTextLines(std::string& out, const std::string& text)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        out.append(text, start, nl - start).append("\r\n");
        start = nl + 1;
    }
}

} // namespace

void AppendFieldLines(std::string& out, std::string_view line, const WriteOptions& options)
{
    const long W = options.LineWidth;
    if (!options.LineBreak || static_cast<long>(line.size()) <= W) {
        out.append(line).append("\r\n");
        return;
    }
    // Continuation lines start with N + 2 blanks; at least one, so that the
    // blank dropped at the break comes back when the file is read.
    const long indentLen = std::max(1L, static_cast<long>(options.Indent()) + 2);
    // The rest of the line still to be written is the indent (none before
    // the first break) followed by line from off on. It is never built as a
    // string: copying it at every break made a long value quadratic.
    size_t off = 0;
    long pre = 0;
    auto curLen = [&] { return pre + static_cast<long>(line.size() - off); };
    // A break never puts "@" at the start of a line: the reader would take a
    // line such as "@word(" inside a value for the start of a new entry.
    auto atFollows = [&](size_t idx) {
        while (idx < line.size() && (line[idx] == ' ' || line[idx] == '\t'))
            ++idx;
        return idx < line.size() && line[idx] == '@';
    };
    auto blankAt = [&](long pos) {
        if (pos < 1 || pos > curLen())
            return false;
        if (pos <= pre)
            return true;
        const size_t idx = off + static_cast<size_t>(pos - pre - 1);
        return line[idx] == ' ' && !atFollows(idx + 1);
    };
    auto appendCur = [&](long count) {
        const long blanks = std::min(count, pre);
        out.append(static_cast<size_t>(blanks), ' ');
        out.append(line.substr(off, static_cast<size_t>(count - blanks)));
    };
    long p = 2; // 1-based position where the search for a break starts
    while (curLen() > W) {
        const long len = curLen();
        bool any = false;
        for (long k = std::max(1L, p); k <= std::min(len, 2 * p + W + 2) && !any; ++k)
            any = blankAt(k);
        long b = 0;
        if (any) {
            for (long k = std::min(len, W + p); k >= p && k >= 1; --k)
                if (blankAt(k)) {
                    b = k;
                    break;
                }
            if (b == 0) {
                // No blank up to W + p: break at the first blank after it
                // rather than on a character, which would be lost.
                for (long k = std::max(1L, p); k <= len; ++k)
                    if (blankAt(k)) {
                        b = k;
                        break;
                    }
            }
        } else {
            for (long k = p + 1; k <= len; ++k)
                if (blankAt(k)) {
                    b = k;
                    break;
                }
            if (b == 0) {
                appendCur(len);
                out.append("\r\n");
                return;
            }
        }
        if (b <= indentLen) {
            // The break would not shorten the line (only indentation before
            // it): write the line whole rather than loop.
            appendCur(len);
            out.append("\r\n");
            return;
        }
        appendCur(b - 1);
        out.append("\r\n");
        // b lies past the indent here (b > indentLen >= pre).
        off += static_cast<size_t>(b - pre);
        pre = indentLen;
        if (any)
            p = indentLen + 1;
    }
    if (curLen() > 0) {
        appendCur(curLen());
        out.append("\r\n");
    }
}

namespace {

// A field line whose value holds line breaks (typed into the item editor):
// each break becomes a line end of the file followed by the continuation
// indentation, which the reader folds into one blank, as BibTeX reads a line
// end. Written raw, a lone line feed would mix line ends in the file and
// the reader would join the words on both sides of it ("New" "York" read
// back as "NewYork").
void AppendValueLines(std::string& out, std::string_view line, const WriteOptions& options)
{
    // A byte scan: find_first_of looks every byte up in its set one by one,
    // which was a third of the time of a save.
    const auto lineEnd = [&line](size_t from) {
        return scan::FindFirstOf<'\r', '\n'>(line.data(), from, line.size());
    };
    if (lineEnd(0) == line.size()) {
        AppendFieldLines(out, line, options);
        return;
    }
    const std::string indent(static_cast<size_t>(std::max(1L, static_cast<long>(options.Indent()) + 2)), ' ');
    // A piece that starts with "@" stays on the line before it, after a blank
    // (which reads the same as the line end): at the start of a line the
    // reader would take "@word(" for the start of a new entry. Empty pieces
    // join too, so that an "@" after them cannot start a line either.
    auto joins = [](std::string_view seg) {
        const size_t k = seg.find_first_not_of(" \t");
        return k == std::string_view::npos || seg[k] == '@';
    };
    std::string piece;
    bool first = true;
    size_t i = 0;
    while (i <= line.size()) {
        const size_t end = lineEnd(i);
        const std::string_view seg = line.substr(i, end - i);
        if (first) {
            piece.assign(seg);
        } else if (joins(seg)) {
            piece.append(" ").append(seg);
        } else {
            AppendFieldLines(out, piece, options);
            piece.assign(indent).append(seg);
        }
        first = false;
        if (end == line.size())
            break;
        i = end + ((line[end] == '\r' && end + 1 < line.size() && line[end + 1] == '\n') ? 2 : 1);
    }
    AppendFieldLines(out, piece, options);
}

// Formats the library into out; flush, when given, is offered out after each
// entry and may empty it, so a save holds only a small piece of the text.
void FormatLibraryInto(const TBib& bib, const WriteOptions& options, std::string& out,
                       const std::function<void(std::string&)>& flush, const ReportFn& report)
{
    if (!flush) {
        // The whole text in one string: sized once. (A save holds only a
        // piece at a time and spares itself this pass over every field.)
        size_t estimate = 0;
        for (const std::string& b : bib.Blocks)
            estimate += b.size() + 8;
        for (const Bibitem& item : bib.Library) {
            estimate += item.ItemType.size() + item.Reference.size() + item.LeadingText.size() + 16;
            for (const Bibfield& f : item.Fields)
                estimate += f.Name.size() + f.Value.size() + 12;
        }
        estimate += bib.TrailingText.size() + 4;
        out.reserve(options.LineBreak ? estimate + estimate / 8 : estimate);
    }
    for (const std::string& b : bib.Blocks) {
        AppendTextLines(out, b);
        out.append("\r\n");
    }
    std::string line;
    for (const Bibitem& item : bib.Library) {
        if (!item.LeadingText.empty())
            AppendTextLines(out, item.LeadingText);
        out.append("@").append(item.ItemType).append("{").append(item.Reference).append(",\r\n");
        for (size_t i = 0; i < item.Fields.size(); ++i) {
            // A value whose braces do not balance would end the entry early
            // on the next reading and lose the fields after it.
            Bibfield repaired;
            const bool balanced = IsBalanced(item.Fields[i]);
            if (!balanced) {
                repaired = item.Fields[i];
                BalanceField(repaired);
                if (report)
                    report("Unbalanced braces in field " + repaired.Name + " of entry " + item.Reference +
                           ": saved with the missing braces added.");
            }
            const Bibfield& f = balanced ? item.Fields[i] : repaired;
            line.assign("  ").append(f.Name);
            if (f.Bare)
                line.append(" = ").append(f.Value);
            else
                line.append(" = {").append(f.Value).append("}");
            if (i + 1 < item.Fields.size())
                line.push_back(',');
            AppendValueLines(out, line, options);
        }
        out.append("  }\r\n\r\n");
        if (flush)
            flush(out);
    }
    if (!bib.TrailingText.empty())
        AppendTextLines(out, bib.TrailingText);
}

constexpr size_t kSaveChunk = 2 << 20;

// Writes the formatted library through writer in pieces of about kSaveChunk.
void WriteLibrary(AtomicFileWriter& writer, const TBib& bib, const WriteOptions& options,
                  const ReportFn& report)
{
    std::string buf;
    buf.reserve(kSaveChunk + (kSaveChunk >> 2));
    FormatLibraryInto(
        bib, options, buf,
        [&writer](std::string& out) {
            if (out.size() >= kSaveChunk) {
                writer.Write(out);
                out.clear();
            }
        },
        report);
    writer.Write(buf);
}

} // namespace

std::string FormatLibrary(const TBib& bib, const WriteOptions& options, const ReportFn& report)
{
    std::string out;
    FormatLibraryInto(bib, options, out, nullptr, report);
    return out;
}

int LoadLibraryFile(Session& s, const std::string& path)
{
    // The library and its notes are read into fresh containers first and
    // replace what is in memory in one step: a file that cannot be read
    // leaves the previous library, its notes and the field names as they were.
    TBib bib;
    std::vector<std::string> notes, errors;
    std::vector<std::string> keywords = s.KeywordList;
    std::vector<std::string> fieldNames = s.schema.FieldNames;
    s.schema.CutFieldNames();
    ReadContext ctx;
    ctx.schema = &s.schema;
    ctx.keywords = &keywords;
    ctx.pdfPath = s.PdfPath();
    ctx.report = [&errors](const std::string& text) { errors.push_back(text); };
    int n = 0;
    try {
        n = ReadBibFile(path, bib, ctx);
        // Without a notes file the library starts with no notes: those of the
        // library loaded before belong to that one.
        const std::string notesName = NotesFileName(path);
        if (FileExists(notesName))
            notes = SplitLines(ReadWholeFile(notesName));
    } catch (...) {
        s.schema.FieldNames = std::move(fieldNames);
        throw;
    }
    s.Bib = std::move(bib);
    s.NotesList = std::move(notes);
    s.KeywordList = std::move(keywords);
    s.LibraryChanged = false;
    s.History.Clear(); // its steps belong to the library loaded before
    for (const std::string& e : errors)
        s.Error(e);
    s.Status("Loaded " + path + ". Processed " + std::to_string(n) + " records.");
    SortNoCase(s.KeywordList);
    return n;
}

bool LoadNamedLibrary(Session& s)
{
    const std::string name = s.Settings.ReadPath(key::Filename);
    if (name.empty())
        return false;
    if (!FileExists(name)) {
        const std::string kind = NotAFileKind(name);
        s.Error(kind.empty() ? "File not found: " + name : "Cannot load " + name + ": it is " + kind + ", not a file.");
        return false;
    }
    LoadLibraryFile(s, name);
    return true;
}

std::vector<size_t> SortLibrary(TBib& bib, std::string_view column)
{
    const size_t n = bib.Library.size();
    std::vector<std::string_view> keys(n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = ColumnValue(bib.Library[i], column);
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    // string_view compares bytes as unsigned char, a proper prefix first.
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<Bibitem> sorted;
    sorted.reserve(n);
    std::vector<size_t> newIndex(n);
    for (size_t i : order) {
        newIndex[i] = sorted.size();
        sorted.push_back(std::move(bib.Library[i]));
    }
    bib.Library = std::move(sorted);
    return newIndex;
}

WriteOptions WriteOptionsFromSettings(const SettingsList& settings)
{
    WriteOptions o;
    o.LineBreak = settings.IsYes(key::LineBreak);
    if (o.LineBreak) {
        o.LineWidth = settings.ReadInt(key::LineWidth);
        // The options live no longer than the save that reads them.
        o.InsertWidthSetting = [&settings] { return settings.ReadInt(key::InsertWidth); };
    }
    return o;
}

void SaveLibraryFile(Session& s, const std::string& path)
{
    if (path.empty() || path == kNone)
        throw FileError("No file name to save the library to.");
    const WriteOptions options = WriteOptionsFromSettings(s.Settings);
    const ReportFn report = [&s](const std::string& text) { s.Error(text); };
    AtomicFileWriter writer(path, s.Settings.IsYes(key::Backup) ? AtomicFileWriter::Backup::Keep
                                                               : AtomicFileWriter::Backup::None);
    WriteLibrary(writer, s.Bib, options, report);
    // Each file is synced before its rename (its text whole under its name
    // after a crash); the two renames then share one sync of their folder,
    // which makes them last.
    writer.Commit(AtomicFileWriter::FolderSync::Later);
    if (writer.BackupSkipped())
        s.Error("No backup kept of " + path + ": its name with \".bak\" is too long for the folder.");
    try {
        AtomicFileWriter notes(NotesFileName(path));
        notes.Write(JoinLines(s.NotesList, "\r\n"));
        notes.Commit(AtomicFileWriter::FolderSync::Later);
        if (notes.Folder() != writer.Folder())
            notes.SyncFolder(); // a library reached through a link to another folder
    } catch (...) {
        // The library's new name is kept all the same.
        try {
            writer.SyncFolder();
        } catch (const FileError&) {
        }
        throw;
    }
    writer.SyncFolder();
    s.LibraryChanged = false;
}

} // namespace lorix
