#include "scanner/search_interface.h"

#include <algorithm>

#include "scanner/search.h"

std::unique_ptr<TSearchResultInterface> NewFoundItem(TItemKind kind, TItemCategory category, TRootKey root,
                                                     const String& path, const String& name,
                                                     const String& description)
{
    auto item = std::make_unique<TSearchResultInterface>();
    item->Kind = kind;
    item->Category = category;
    item->RootKey = root;
    item->Path = path;
    item->Name = name;
    item->Description = description;
    return item;
}

TSearchInterface::TSearchInterface(TSearch& engine, const String& tag)
    : engine_(engine), tag_(tag), definitions_(NewDefinitionStore(tag))
{
    if (!definitions_)
        definitions_ = std::make_unique<TNoDefinitions>();
    engine_.RegisterScanner(tag_, *this);
}

TSearchInterface::~TSearchInterface() = default;

void TSearchInterface::ReplaceDefinitions(std::unique_ptr<TDefinitionStore> store)
{
    if (store)
        definitions_ = std::move(store);
}

void TSearchInterface::AddItem(std::unique_ptr<TSearchResultInterface> item)
{
    if (!item)
        return;
    item->Owner = this;
    if (engine_.AddFoundItem(*item))
        results_.push_back(std::move(item));
}

void TSearchInterface::ReportStatus(const String& text, const String& path) { engine_.ReportStatus(text, path); }

void TSearchInterface::ObjectScanned() { engine_.ObjectScanned(); }

bool TSearchInterface::QueryCancel() { return engine_.QueryCancel(); }

bool TSearchInterface::NotifyFixing(TSearchResultInterface& item, const String& text)
{
    if (engine_.Fixing(item, text))
        return true;
    engine_.Error(item, engine_.FormatText(kTextNotQuarantined, {text}));
    return false;
}

void TSearchInterface::NotifyError(TSearchResultInterface& item, const String& text) { engine_.Error(item, text); }

void TSearchInterface::NotifyRemovalDelayed(TSearchResultInterface& item, const String& text)
{
    engine_.RemovalDelayed(item, text);
}

void TSearchInterface::PackResults()
{
    results_.erase(std::remove(results_.begin(), results_.end(), nullptr), results_.end());
}
