#include "MacHistoryItem.h"

#include "StrictJson.h"

namespace molvena {

MacHistoryItem MacHistoryItem::decode(const StrictObject& object) {
    return MacHistoryItem{
        .id = object.required<QString>("id"),
        .type = object.required<QString>("type"),
        .title = object.required<QString>("title"),
        .subtitle = object.optional<QString>("subtitle"),
        .domain = object.optional<QString>("domain"),
        .createdAt = object.required<QString>("created_at"),
    };
}

MacHistoryResponse MacHistoryResponse::decode(const StrictObject& object) {
    return MacHistoryResponse{
        .success = object.required<bool>("success"),
        .history = object.required<QList<MacHistoryItem>>("history"),
    };
}

} // namespace molvena
