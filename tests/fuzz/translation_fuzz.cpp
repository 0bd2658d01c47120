// The user-editable translation table on arbitrary bytes: the table is read,
// and every translated text is used as a format with a typical set of
// arguments. Nothing may crash, read out of bounds or hang; a text that
// doesn't fit its arguments must fall back to the English default.
#include <cstdlib>

#include "classlib/format.h"
#include "classlib/string_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TStringList table;
    table.SetSorted(true);
    table.SetDuplicates(TDuplicates::dupIgnore);
    table.SetText(String(reinterpret_cast<const char*>(data), size));
    for (int i = 0; i < table.Count() && i < 64; ++i) {
        const String text = table.ValueFromIndex(i);
        const String english = "Key '%s' has %u changes (%.02f%%) %d";
        const String shown = FormatText(text, english, {"HKCU\\Software", 42u, 3.5, -7});
        String direct;
        if (!TryFormat(text, {"HKCU\\Software", 42u, 3.5, -7}, direct) && shown != "Key 'HKCU\\Software' has 42 changes (3.50%) -7")
            std::abort();
        table.IndexOfName(table.Names(i));
    }
    return 0;
}
