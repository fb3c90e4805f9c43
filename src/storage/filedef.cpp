#include "storage/filedef.h"

#include <algorithm>

namespace korvalen {

int FileDef::recordBytes() const
{
    int bytes = 0;
    for (const FieldDef &field : fields)
        if (field.type != FieldType::Memo)
            bytes += field.width;
    return bytes;
}

bool FileDef::hasMemo() const
{
    for (const FieldDef &field : fields)
        if (field.type == FieldType::Memo)
            return true;
    return false;
}

int FileDef::keyIndex(std::string_view keyName) const
{
    for (int k = 0; k < static_cast<int>(keys.size()); ++k)
        if (keys[k].name == keyName)
            return k;
    return -1;
}

std::string FileDef::qualifiedKeyName(int key) const
{
    return std::string(prefix) + ":" + std::string(keys[key].name);
}

std::string FileDef::qualifiedFieldName(int field) const
{
    return std::string(prefix) + ":" + std::string(fields[field].name);
}

std::vector<FileDef::Index> FileDef::indexes() const
{
    std::vector<Index> out;
    for (int k = 0; k < static_cast<int>(keys.size()); ++k) {
        const KeyDef &def = keys[k];
        if (def.coversRecord && def.unique) {
            std::vector<std::string> components;
            for (int component : def.components)
                components.emplace_back(fields[component].name);
            out.push_back({std::string(def.name), k, true, components});
            out.push_back({std::string(def.name) + "_COVER", k, false, keyColumns(k)});
        } else {
            out.push_back({std::string(def.name), k, def.unique, keyColumns(k)});
        }
    }
    return out;
}

std::vector<std::string> FileDef::keyColumns(int key) const
{
    const KeyDef &def = keys[key];
    std::vector<std::string> columns;
    for (int component : def.components)
        columns.emplace_back(fields[component].name);
    if (!def.coversRecord)
        return columns;
    columns.emplace_back("recno");
    columns.emplace_back("version");
    for (int f = 0; f < static_cast<int>(fields.size()); ++f) {
        bool inKey =
            std::find(def.components.begin(), def.components.end(), f) != def.components.end();
        if (!inKey && fields[f].type != FieldType::Memo)
            columns.emplace_back(fields[f].name);
    }
    return columns;
}

bool FileDef::fieldIgnoresCase(int field) const
{
    for (const KeyDef &key : keys)
        if (key.caseInsensitive)
            for (int component : key.components)
                if (component == field)
                    return true;
    return false;
}

} // namespace korvalen
