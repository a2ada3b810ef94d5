// Any bytes as the title files of the current directory, "moneyname.dat" (wealth) and
// "amountname.dat" (strength), read by GameViewBase::GetMoneyData and GetAmountData: the tables
// keep at most kMaxTitles entries, every title a non-empty, zero-terminated text within kTitleLen
// bytes without blanks; a file that is missing leaves its table empty. Then the titles of any
// values (GetMoneyName, GetAmountName) are written into buffers of exactly 16 bytes, so a longer
// write is caught: each a zero-terminated title of the table or "-".
//
// Input: byte 0 bit 0 "moneyname.dat" is there, bit 1 "amountname.dat" is there; then for each
// file that is there a 2-byte length (big-endian, at most 8191) and its bytes (zeros past the end
// of the input); then up to 32 values (4 bytes each, big-endian) to name in both tables.
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTable.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace
{

using namespace Ostra;
using fuzzapp::Check;

class TitleView : public fuzztable::View
{
public:
    using fuzztable::View::View;
    void CheckTables() const
    {
        CheckTable(m_szMoneyName, m_iMoneyNameNum);
        CheckTable(m_szAmountName, m_iAmountNameNum);
    }
    int Money() const { return m_iMoneyNameNum; }
    int Amount() const { return m_iAmountNameNum; }

private:
    static void CheckTable(const char (&names)[kMaxTitles][kTitleLen], int count)
    {
        Check(count >= 0 && count <= kMaxTitles);
        for (int i = 0; i < count; ++i)
        {
            const size_t n = strnlen(names[i], kTitleLen);
            Check(n >= 1 && n < static_cast<size_t>(kTitleLen));
            Check(std::strpbrk(names[i], " \t\r\n\v\f") == nullptr);
        }
    }
};

// The scratch folder the files are written to; it is the current directory while they are read.
struct Folder : fuzzapp::ScratchDir
{
    void Write(const char* name, const std::vector<unsigned char>& bytes) const
    {
        std::FILE* file = std::fopen((path + "/" + name).c_str(), "wb");
        Check(file != nullptr);
        Check(bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
        Check(std::fclose(file) == 0);
    }
    void Remove(const char* name) const
    {
        std::error_code ignored;
        std::filesystem::remove(path + "/" + name, ignored);
    }
};

std::vector<unsigned char> FileBytes(FuzzInput& in)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(in.BE16() & 0x1FFF));
    in.Take(bytes.data(), bytes.size());
    return bytes;
}

// A title as the view writes it: into exactly 16 bytes, zero-terminated, one of the table's.
void CheckName(const char* out, int index, int count)
{
    const size_t n = strnlen(out, kTitleLen);
    Check(n < static_cast<size_t>(kTitleLen));
    Check(index >= 0 && (count == 0 ? index == 0 : index < count));
    if (count == 0)
        Check(std::strcmp(out, "-") == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    fuzztable::Table& t = fuzztable::GetTable();
    static TitleView view(&t.app);
    static Folder folder;
    FuzzInput in(data, size);
    const int options = in.Byte();
    const char* const names[2] = {"moneyname.dat", "amountname.dat"};
    for (int f = 0; f < 2; ++f)
    {
        if (options >> f & 1)
            folder.Write(names[f], FileBytes(in));
        else
            folder.Remove(names[f]);
    }

    const std::string back = std::filesystem::current_path().string();
    Check(chdir(folder.path.c_str()) == 0);
    const int money = view.GetMoneyData();
    const int amount = view.GetAmountData();
    Check(chdir(back.c_str()) == 0);
    Check(money == ((options & 1) ? 0 : -1) && amount == ((options & 2) ? 0 : -1));
    view.CheckTables();
    if (!(options & 1))
        Check(view.Money() == 0);
    if (!(options & 2))
        Check(view.Amount() == 0);

    for (int i = 0; i < 32 && !in.AtEnd(); ++i)
    {
        const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.BE16()) << 16 |
                                                     static_cast<std::uint32_t>(in.BE16()));
        std::unique_ptr<char[]> out(new char[kTitleLen]);
        CheckName(out.get(), view.GetMoneyName(value, out.get()), view.Money());
        std::unique_ptr<char[]> out2(new char[kTitleLen]);
        CheckName(out2.get(), view.GetAmountName(value, out2.get()), view.Amount());
    }
    return 0;
}
