// The STR0 message-table reader on arbitrary bytes: a table that is not well formed is refused,
// and every entry of one that is can be read, converted and searched for.
#include "fuzz/FuzzInput.h"

#include "platform/CodePage.h"
#include "port/StringResource.h"


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const port::TStr0Table table(data, size);
    if (!table.IsWellFormed()) return 0;
    for (std::int32_t index = 0; index < table.Count(); ++index) {
        const std::u16string text = table.Text(index);
        (void)win::WideToAnsi(text);
        (void)table.Find(table.Id(index));
    }
    (void)table.Find(-1);
    (void)table.Find(0x7FFFFFFF);
    return 0;
}
