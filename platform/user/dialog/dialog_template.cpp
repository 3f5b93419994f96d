#include "platform/user/dialog/dialog_template.h"

#include <map>
#include <mutex>
#include <variant>

#include "platform/kernel/settings_text.h"

namespace vesper::platform {

namespace {

// A numeric id or a name folded to lower case.
using TemplateKey = std::variant<WORD, std::string>;

TemplateKey KeyOf(LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return static_cast<WORD>(reinterpret_cast<UINT_PTR>(name));
    std::string folded(name);
    for (char& c : folded)
        c = LowerAscii(c);
    return folded;
}

struct TemplateTable {
    std::mutex mutex;
    std::map<TemplateKey, DialogTemplate> templates;
};

TemplateTable& Table()
{
    static auto* table = new TemplateTable;
    return *table;
}

}  // namespace

bool RegisterDialogTemplate(LPCSTR name, DialogTemplate dialogTemplate)
{
    if (!name)
        return false;
    TemplateTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.templates.insert_or_assign(KeyOf(name), std::move(dialogTemplate));
    return true;
}

std::optional<DialogTemplate> FindDialogTemplate(LPCSTR name)
{
    if (!name)
        return std::nullopt;
    TemplateTable& table = Table();
    std::lock_guard lock(table.mutex);
    const auto found = table.templates.find(KeyOf(name));
    if (found == table.templates.end())
        return std::nullopt;
    return found->second;
}

}  // namespace vesper::platform
