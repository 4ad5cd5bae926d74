// The program's resources, read back through the Win32 API from this test
// module, which links the same resource script as kelvane.exe.
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace
{
const WORD LANG_JA = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);      // 1041
const WORD LANG_EN_US = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US); // 1033

HMODULE Module() { return GetModuleHandleW(nullptr); }

// The raw bytes of one resource in one language; empty when there is none.
std::vector<BYTE> RawResource(LPCWSTR type, LPCWSTR name, WORD lang)
{
    HRSRC hRes = FindResourceExW(Module(), type, name, lang);
    if (!hRes)
        return {};
    HGLOBAL hData = LoadResource(Module(), hRes);
    const BYTE* p = static_cast<const BYTE*>(LockResource(hData));
    if (!p)
        return {};
    return std::vector<BYTE>(p, p + SizeofResource(Module(), hRes));
}

// Sequential reader over a resource template, with the template's alignment rules.
class TemplateReader
{
  public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : m_bytes(bytes) {}

    WORD Word() { return Read<WORD>(); }
    DWORD Dword() { return Read<DWORD>(); }
    short Short() { return Read<short>(); }
    BYTE Byte() { return Read<BYTE>(); }

    std::wstring String()
    {
        std::wstring s;
        for (WCHAR c = WCHAR(Word()); c != 0; c = WCHAR(Word()))
            s += c;
        return s;
    }

    // A name or ordinal: 0xFFFF followed by the ordinal, or a string. Ordinals
    // come back as "#<n>".
    std::wstring NameOrOrdinal()
    {
        if (Peek() == 0xFFFF)
        {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        return String();
    }

    void AlignDword() { m_offset = (m_offset + 3) & ~size_t(3); }
    void Skip(size_t n) { m_offset += n; }
    bool AtEnd() const { return m_offset >= m_bytes.size(); }

  private:
    template <typename T> T Read()
    {
        T value{};
        if (m_offset + sizeof(T) <= m_bytes.size())
            std::memcpy(&value, &m_bytes[m_offset], sizeof(T));
        else
            ADD_FAILURE() << "read past the end of the template at offset " << m_offset;
        m_offset += sizeof(T);
        return value;
    }
    WORD Peek() const
    {
        WORD value = 0;
        if (m_offset + 2 <= m_bytes.size())
            std::memcpy(&value, &m_bytes[m_offset], 2);
        return value;
    }

    const std::vector<BYTE>& m_bytes;
    size_t m_offset = 0;
};

// A control's class as the dialog manager sees it: the predefined classes are
// written as ordinals by some resource compilers and as names by others.
std::wstring ClassName(std::wstring nameOrOrdinal)
{
    if (nameOrOrdinal == L"#128")
        return L"button";
    if (nameOrOrdinal == L"#130")
        return L"static";
    for (WCHAR& c : nameOrOrdinal)
        c = WCHAR(std::towlower(c));
    return nameOrOrdinal;
}

std::wstring LoadString(UINT id)
{
    WCHAR buffer[100] = {};
    LoadStringW(Module(), id, buffer, 100);
    return buffer;
}

std::wstring MenuText(HMENU hMenu, UINT position)
{
    WCHAR buffer[100] = {};
    MENUITEMINFOW mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING;
    mii.dwTypeData = buffer;
    mii.cch = 100;
    EXPECT_TRUE(GetMenuItemInfoW(hMenu, position, TRUE, &mii));
    return buffer;
}
} // namespace

TEST(Resources, StringTableHoldsTitleAndClassNameOnly)
{
    EXPECT_EQ(L"kelvane", LoadString(ID_STRING_TITLE));
    EXPECT_EQ(L"RIREZADOZ", LoadString(ID_MAIN));

    // Strings live in blocks of 16; 103 and 109 share block 7 (ids 96 to 111).
    std::vector<BYTE> block = RawResource(RT_STRING, MAKEINTRESOURCEW(7), LANG_JA);
    ASSERT_FALSE(block.empty()) << "no Japanese string block 7";
    TemplateReader reader(block);
    for (UINT id = 96; id < 112; id++)
    {
        WORD length = reader.Word();
        std::wstring text;
        for (WORD i = 0; i < length; i++)
            text += WCHAR(reader.Word());
        if (id == ID_STRING_TITLE)
            EXPECT_EQ(L"kelvane", text);
        else if (id == ID_MAIN)
            EXPECT_EQ(L"RIREZADOZ", text);
        else
            EXPECT_EQ(L"", text) << "unexpected string " << id;
    }

    std::vector<UINT_PTR> blocks;
    EnumResourceNamesW(
        Module(), RT_STRING,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            reinterpret_cast<std::vector<UINT_PTR>*>(param)->push_back(reinterpret_cast<UINT_PTR>(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&blocks));
    EXPECT_EQ(std::vector<UINT_PTR>{7}, blocks) << "string blocks other than 7";
}

TEST(Resources, MenuHasFileExitAndHelpAbout)
{
    ASSERT_FALSE(RawResource(RT_MENU, MAKEINTRESOURCEW(ID_MAIN), LANG_JA).empty()) << "no Japanese menu 109";
    HMENU hMenu = LoadMenuW(Module(), MAKEINTRESOURCEW(ID_MAIN));
    ASSERT_NE(nullptr, hMenu);

    struct Expected
    {
        const wchar_t* popup;
        const wchar_t* item;
        UINT id;
    };
    const Expected expected[] = {
        {L"ファイル(&F)", L"アプリケーションの終了(&X)", ID_COMMAND_EXIT},
        {L"ヘルプ(&H)", L"バージョン情報(&A)...", ID_COMMAND_ABOUT},
    };
    ASSERT_EQ(2, GetMenuItemCount(hMenu));
    for (UINT i = 0; i < 2; i++)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].popup, MenuText(hMenu, i));
        HMENU hPopup = GetSubMenu(hMenu, int(i));
        ASSERT_NE(nullptr, hPopup);
        ASSERT_EQ(1, GetMenuItemCount(hPopup));
        EXPECT_EQ(expected[i].item, MenuText(hPopup, 0));
        EXPECT_EQ(expected[i].id, GetMenuItemID(hPopup, 0));

        MENUITEMINFOW mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
        ASSERT_TRUE(GetMenuItemInfoW(hPopup, 0, TRUE, &mii));
        EXPECT_EQ(UINT(MFT_STRING), mii.fType);
        EXPECT_EQ(UINT(MFS_ENABLED), mii.fState);
        EXPECT_EQ(nullptr, mii.hSubMenu);
    }
    DestroyMenu(hMenu);
}

TEST(Resources, AcceleratorsOpenAboutWithAltQuestionMarkAndAltSlash)
{
    HACCEL hAccel = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(ID_MAIN));
    ASSERT_NE(nullptr, hAccel);
    ASSERT_EQ(2, CopyAcceleratorTableW(hAccel, nullptr, 0));
    ACCEL entries[2] = {};
    CopyAcceleratorTableW(hAccel, entries, 2);
    DestroyAcceleratorTable(hAccel);
    // Character keys (no FVIRTKEY) with Alt.
    EXPECT_EQ(FALT, entries[0].fVirt & 0x7F);
    EXPECT_EQ('?', entries[0].key);
    EXPECT_EQ(ID_COMMAND_ABOUT, entries[0].cmd);
    EXPECT_EQ(FALT, entries[1].fVirt & 0x7F);
    EXPECT_EQ('/', entries[1].key);
    EXPECT_EQ(ID_COMMAND_ABOUT, entries[1].cmd);

    // The copy may drop the end-of-table flag, so the flags are read from the
    // resource itself: 8 bytes per entry (flags, key, command, padding).
    std::vector<BYTE> raw = RawResource(RT_ACCELERATOR, MAKEINTRESOURCEW(ID_MAIN), LANG_JA);
    ASSERT_EQ(16u, raw.size()) << "no Japanese accelerator table 109 of two entries";
    TemplateReader reader(raw);
    const WORD expected[2][3] = {{0x10, '?', ID_COMMAND_ABOUT}, {0x90, '/', ID_COMMAND_ABOUT}};
    for (const auto& entry : expected)
    {
        EXPECT_EQ(entry[0], reader.Word());
        EXPECT_EQ(entry[1], reader.Word());
        EXPECT_EQ(entry[2], reader.Word());
        reader.Word();
    }
}

TEST(Resources, AboutDialogTemplate)
{
    std::vector<BYTE> raw = RawResource(RT_DIALOG, MAKEINTRESOURCEW(ID_DIALOG_ABOUT), LANG_JA);
    ASSERT_FALSE(raw.empty()) << "no Japanese dialog 103";
    TemplateReader reader(raw);

    // DLGTEMPLATEEX header.
    EXPECT_EQ(1, reader.Word()) << "dlgVer";
    EXPECT_EQ(0xFFFF, reader.Word()) << "signature of an extended template";
    EXPECT_EQ(0u, reader.Dword()) << "help id";
    EXPECT_EQ(0u, reader.Dword()) << "extended style";
    EXPECT_EQ(0x80C800C8u, reader.Dword()) << "style";
    WORD nItems = reader.Word();
    EXPECT_EQ(0, reader.Short());
    EXPECT_EQ(0, reader.Short());
    EXPECT_EQ(170, reader.Short());
    EXPECT_EQ(62, reader.Short());
    EXPECT_EQ(L"", reader.NameOrOrdinal()) << "menu";
    EXPECT_EQ(L"", reader.NameOrOrdinal()) << "class";
    EXPECT_EQ(L"バージョン情報 kelvane", reader.String());
    EXPECT_EQ(9, reader.Word()) << "point size";
    EXPECT_EQ(0, reader.Word()) << "weight";
    EXPECT_EQ(0, reader.Byte()) << "italic";
    EXPECT_EQ(1, reader.Byte()) << "character set";
    EXPECT_EQ(L"MS UI Gothic", reader.String());

    struct Control
    {
        std::wstring className;
        DWORD style;
        short x, y, cx, cy;
        DWORD id;
        std::wstring text; // "#128": icon 128
    };
    const Control expected[] = {
        {L"static", 0x50000003, 14, 14, 21, 20, DWORD(-1), L"#128"},
        {L"static", 0x50020080, 42, 14, 114, 8, DWORD(-1), L"kelvane, Version 1.0"},
        {L"static", 0x50020000, 42, 26, 114, 8, DWORD(-1), L"*"},
        {L"button", 0x50030001, 113, 41, 50, 14, IDOK, L"OK"},
    };
    ASSERT_EQ(4, nItems);
    for (const Control& control : expected)
    {
        SCOPED_TRACE(testing::Message() << "control at " << control.x << "," << control.y);
        reader.AlignDword();
        EXPECT_EQ(0u, reader.Dword()) << "help id";
        EXPECT_EQ(0u, reader.Dword()) << "extended style";
        EXPECT_EQ(control.style, reader.Dword());
        EXPECT_EQ(control.x, reader.Short());
        EXPECT_EQ(control.y, reader.Short());
        EXPECT_EQ(control.cx, reader.Short());
        EXPECT_EQ(control.cy, reader.Short());
        EXPECT_EQ(control.id, reader.Dword());
        EXPECT_EQ(control.className, ClassName(reader.NameOrOrdinal()));
        std::wstring text = reader.NameOrOrdinal();
        if (control.text == L"*")
            EXPECT_FALSE(text.empty()) << "the notice line has no text";
        else
            EXPECT_EQ(control.text, text);
        reader.Skip(reader.Word()); // creation data
    }
    reader.AlignDword();
    EXPECT_TRUE(reader.AtEnd()) << "more than four controls";
}

// Both icon groups carry the same eight images: 32 and 16 pixels at 4 bits,
// 48, 32 and 16 at 8 bits, 48, 32 and 16 at 32 bits.
TEST(Resources, IconGroupsHoldEightImages)
{
    using Image = std::tuple<int, int>; // size, bits per pixel
    const std::multiset<Image> expected = {{32, 4}, {16, 4},  {48, 8},  {32, 8},
                                           {16, 8}, {48, 32}, {32, 32}, {16, 32}};
    for (WORD group : {ID_ICON_LARGE, ID_ICON_SMALL})
    {
        SCOPED_TRACE(group);
        std::vector<BYTE> raw = RawResource(RT_GROUP_ICON, MAKEINTRESOURCEW(group), LANG_JA);
        ASSERT_FALSE(raw.empty()) << "no Japanese icon group";
        TemplateReader reader(raw);
        EXPECT_EQ(0, reader.Word()) << "reserved";
        EXPECT_EQ(1, reader.Word()) << "type: icon";
        ASSERT_EQ(8, reader.Word()) << "image count";

        std::multiset<Image> listed, stored;
        for (int i = 0; i < 8; i++)
        {
            int width = reader.Byte();
            int height = reader.Byte();
            reader.Byte(); // colour count
            reader.Byte(); // reserved
            reader.Word(); // planes
            int bits = reader.Word();
            DWORD dwBytes = reader.Dword();
            WORD nId = reader.Word();
            EXPECT_EQ(width, height);
            listed.insert(Image(width, bits));

            // The image itself: a DIB whose height counts the colour and the mask halves.
            std::vector<BYTE> image = RawResource(RT_ICON, MAKEINTRESOURCEW(nId), LANG_JA);
            ASSERT_EQ(dwBytes, image.size()) << "icon image " << nId;
            ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
            BITMAPINFOHEADER bih;
            std::memcpy(&bih, image.data(), sizeof(bih));
            EXPECT_EQ(2 * bih.biWidth, bih.biHeight);
            stored.insert(Image(bih.biWidth, bih.biBitCount));
        }
        EXPECT_EQ(expected, listed);
        EXPECT_EQ(expected, stored);
    }
}

TEST(Resources, ManifestAsksForNoElevation)
{
    EXPECT_TRUE(RawResource(RT_MANIFEST, MAKEINTRESOURCEW(1), LANG_JA).empty()) << "manifest is not Japanese";
    std::vector<BYTE> raw = RawResource(RT_MANIFEST, MAKEINTRESOURCEW(1), LANG_EN_US);
    ASSERT_FALSE(raw.empty()) << "no manifest 1 in language 1033";
    std::string manifest(raw.begin(), raw.end());
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\""));
}

// Only the menu, strings, dialog, accelerators, icons and the manifest; no icon 128.
TEST(Resources, AboutIconIsNamedButAbsent)
{
    EXPECT_EQ(nullptr, FindResourceW(Module(), MAKEINTRESOURCEW(ID_ICON_ABOUT), RT_GROUP_ICON));
    EXPECT_EQ(nullptr, FindResourceW(Module(), MAKEINTRESOURCEW(ID_ICON_ABOUT), RT_ICON));
}
