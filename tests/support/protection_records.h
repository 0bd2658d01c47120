// The stored protections without the protections themselves: a component
// of the list's class name whose "Protection" property is read and written
// by the store's functions, for the host tools, the portable tests and the
// fuzz target (the real list needs Win32).
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/component.h"
#include "classlib/component_stream.h"
#include "guard/protection_store.h"

namespace test_support {

class ProtectionRecords : public TComponent {
public:
    ProtectionRecords() : TComponent(nullptr) {}
    String ClassName() const override { return "TProtectionList"; }
    void DefineProperties(TFiler& filer) override
    {
        TComponent::DefineProperties(filer);
        filer.DefineProperty(
            "Protection",
            [this](TReader& reader) {
                records.clear();
                ReadProtectionRecords(reader, records);
            },
            [this](TWriter& writer) { WriteProtectionRecords(writer, records); }, true);
    }

    std::vector<TProtectionRecord> records;
};

// "protection.list" spelt out byte by byte as its format is documented,
// independent of the class library's writer: the resource header, "TPF0",
// the class name, an empty component name, the property "Protection" and
// its values (integers in 8, 16 or 32 bits with tags 2, 3, 4; strings with
// tag 6 and a length byte, or tag 12 and a 32-bit length above 255 bytes;
// true 9, false 8), then the two end bytes.
inline std::vector<std::uint8_t> EncodeProtectionList(const std::vector<TProtectionRecord>& records)
{
    std::vector<std::uint8_t> body = {'T', 'P', 'F', '0', 15};
    const auto bytes = [&body](const String& s) { body.insert(body.end(), s.begin(), s.end()); };
    const auto le = [&body](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            body.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto integer = [&](std::int32_t v) {
        if (v >= -128 && v <= 127) {
            body.push_back(2);
            le(static_cast<std::uint32_t>(v), 1);
        } else if (v >= -32768 && v <= 32767) {
            body.push_back(3);
            le(static_cast<std::uint32_t>(v), 2);
        } else {
            body.push_back(4);
            le(static_cast<std::uint32_t>(v), 4);
        }
    };
    const auto string = [&](const String& s) {
        if (s.size() <= 255) {
            body.push_back(6);
            le(static_cast<std::uint32_t>(s.size()), 1);
        } else {
            body.push_back(12);
            le(static_cast<std::uint32_t>(s.size()), 4);
        }
        bytes(s);
    };
    const auto boolean = [&body](bool v) { body.push_back(v ? 9 : 8); };

    bytes("TProtectionList");
    body.push_back(0);  // no component name
    body.push_back(10);
    bytes("Protection");
    integer(static_cast<std::int32_t>(records.size()));
    for (const TProtectionRecord& r : records) {
        integer(r.Kind);
        string(r.Path);
        string(r.ListFile);
        string(r.DisplayName);
        boolean(r.Enabled);
        boolean(r.WatchSubtree);
        boolean(r.Predefined);
        integer(r.PredefinedType);
        integer(r.Id);
    }
    body.push_back(0);  // end of the properties
    body.push_back(0);  // no child components

    std::vector<std::uint8_t> file = {0xFF, 0x0A, 0x00};
    for (char c : String("TPROTECTIONLIST"))
        file.push_back(static_cast<std::uint8_t>(c));
    file.insert(file.end(), {0x00, 0x30, 0x10});
    for (int i = 0; i < 4; ++i)
        file.push_back(static_cast<std::uint8_t>(body.size() >> (8 * i)));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

}  // namespace test_support
