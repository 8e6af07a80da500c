#pragma once
// Every key of "lorix.ini" that the program reads or writes, with the kind of
// its value. The program reaches its settings through these names (see the
// accessors of SettingsList), so a mistyped key does not compile. Only the
// schema reads keys that the settings themselves name: one per reference type.

#include <array>
#include <string>
#include <string_view>

namespace lorix {

inline constexpr const char* kNone = "*none*";

// Kinds of values.
struct YesNo {};  // "yes" or "no"; anything but "yes", an absent key included, reads as no
struct Number {}; // a decimal integer; anything else fails with ConversionError naming the key
struct Text {};   // text as written
struct Path {};   // a file or folder name; "*none*" stands for none

template <class Kind> struct SettingKey {
    std::string_view Name;
};

// A text key whose name is made at run time.
struct BuiltKey {
    std::string Name;
};

namespace key {

// The library and the files around it.
inline constexpr SettingKey<Path> Filename{"filename"};
inline constexpr SettingKey<Path> LastFile{"lastfile"};
inline constexpr SettingKey<Path> DataPath{"datapath"};
inline constexpr SettingKey<Path> PdfPath{"pdfpath"};

// The schema.
inline constexpr SettingKey<Text> Types{"types"};
inline constexpr SettingKey<Text> Fields{"fields"};
inline constexpr SettingKey<Text> Choice{"choice"};

// The message log.
inline constexpr SettingKey<Path> LogFile{"logfile"};
inline constexpr SettingKey<YesNo> WriteLog{"writelog"};
inline constexpr SettingKey<Number> MaxLogSize{"maxlogsize"};
inline constexpr SettingKey<YesNo> LogStatus{"log.status"};
inline constexpr SettingKey<YesNo> DispStatus{"disp.status"};
inline constexpr SettingKey<YesNo> LogError{"log.error"};
inline constexpr SettingKey<YesNo> DispError{"disp.error"};

// Window geometry.
struct WindowKeys {
    SettingKey<Number> Width, Top, Height, Left;
};
inline constexpr WindowKeys MainWindow{{"main.width"}, {"main.top"}, {"main.height"}, {"main.left"}};
inline constexpr WindowKeys DisplayWindow{
    {"display.width"}, {"display.top"}, {"display.height"}, {"display.left"}};
inline constexpr WindowKeys NotesWindow{{"notes.width"}, {"notes.top"}, {"notes.height"}, {"notes.left"}};

// Exiting.
inline constexpr SettingKey<YesNo> SaveSize{"savesize"};
inline constexpr SettingKey<YesNo> AutoSave{"autosave"};
inline constexpr SettingKey<YesNo> SwitchFilteringOff{"switchfilteringoff"};
inline constexpr SettingKey<YesNo> SwitchSortingOff{"switchsortingoff"};

// Saving.
inline constexpr SettingKey<YesNo> SaveSorted{"savesorted"};
inline constexpr SettingKey<Text> Sorting{"sorting"}; // a word of kSortOrders, or "*none*"
inline constexpr SettingKey<YesNo> Backup{"backup"};
inline constexpr SettingKey<YesNo> LineBreak{"linebreak"};
inline constexpr SettingKey<Number> LineWidth{"linewidth"};
inline constexpr SettingKey<Number> InsertWidth{"insertwidth"};

// The filter rules.
inline constexpr SettingKey<YesNo> Filtering{"filtering"};
inline constexpr SettingKey<Text> FilterMode{"filtermode"}; // "and" or "or"
struct FilterLineKeys {
    SettingKey<Text> Field, Op, Value;
};
inline constexpr std::array<FilterLineKeys, 3> Filter{{
    {{"filter1.field"}, {"filter1.op"}, {"filter1.value"}},
    {{"filter2.field"}, {"filter2.op"}, {"filter2.value"}},
    {{"filter3.field"}, {"filter3.op"}, {"filter3.value"}},
}};

// The main list and the notes window.
inline constexpr std::array<SettingKey<Text>, 4> Disp{{{"disp1"}, {"disp2"}, {"disp3"}, {"disp4"}}};
inline constexpr SettingKey<YesNo> Truncate{"truncate"};
inline constexpr SettingKey<Number> CharLimit{"charlimit"};
inline constexpr SettingKey<YesNo> DisplayUnicode{"display.unicode"};
inline constexpr SettingKey<Number> DisplayNotes{"displaynotes"}; // 0 always, 1 never, 2 when not empty

// Export.
inline constexpr SettingKey<Text> ExpFields{"expfields"};
inline constexpr SettingKey<YesNo> ExpLine{"expline"};
inline constexpr SettingKey<Number> ExpColumns{"expcolumns"};
// The format template of a reference type.
inline BuiltKey Format(std::string_view type)
{
    return {"formats." + std::string(type)};
}

// Import.
inline constexpr SettingKey<Text> PubmedUrl{"pubmed.url"};
inline constexpr SettingKey<Number> PubmedTimeout{"pubmed.timeout"};
inline constexpr SettingKey<Number> ImportMaxKb{"import.maxkb"};
inline constexpr SettingKey<Text> DoiUrl{"doi.url"};

// The libraries opened lately: recent1 (the latest) onward.
inline BuiltKey Recent(size_t index)
{
    return {"recent" + std::to_string(index + 1)};
}

} // namespace key

} // namespace lorix
