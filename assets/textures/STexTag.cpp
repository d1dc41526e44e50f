#include "assets/textures/STexTag.h"

#include <cstdlib>
#include <cstring>

uint8_t HashTagName(const char* name) {
    if (!name)
        return 0;
    const size_t length = std::strlen(name);
    unsigned h = 0;
    for (size_t i = length; i-- > 0;) {
        unsigned c = static_cast<unsigned char>(name[i]);
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        h ^= (((c - 0x40) & 0xFF) << (i % 6)) & 0xFF;
    }
    return static_cast<uint8_t>(h);
}

void STexTagList::SetErrorSink(CString* lastError, const int32_t* recordErrors) {
    m_pLastError = lastError;
    m_pRecordErrors = recordErrors;
}

void STexTagList::Record(const char* message) const {
    if (m_pLastError && m_pRecordErrors && *m_pRecordErrors == 1)
        *m_pLastError = message;
}

bool STexTagList::CheckTagIndex(int16_t index) const {
    if (index < 0) {
        Record("Tag Index < 0");
        return false;
    }
    if (index >= GetNumTags()) {
        Record("Tag Index >= m_iNumTags");
        return false;
    }
    return true;
}

int16_t STexTagList::FindTag(const char* name) const {
    if (!name)
        return -1;
    const uint8_t hash = HashTagName(name);
    for (size_t i = 0; i < m_tags.size(); ++i) {
        if (m_tags[i].hash == hash && m_tags[i].name == name)
            return static_cast<int16_t>(i);
    }
    return -1;
}

CString STexTagList::GetTagName(int16_t index) const {
    return CheckTagIndex(index) ? m_tags[index].name : CString();
}

CString STexTagList::GetTagValue(int16_t index) const {
    return CheckTagIndex(index) ? m_tags[index].value : CString();
}

CString STexTagList::GetTagString(const char* name, const char* defaultValue) const {
    const int16_t index = FindTag(name);
    return index < 0 ? CString(defaultValue) : m_tags[index].value;
}

int STexTagList::GetTagIntAt(int16_t index) const {
    return CheckTagIndex(index) ? std::atoi(m_tags[index].value) : 0;
}

int STexTagList::GetTagInt(const char* name, int defaultValue) const {
    const int16_t index = FindTag(name);
    return index < 0 ? defaultValue : std::atoi(m_tags[index].value);
}

double STexTagList::GetTagFloatAt(int16_t index) const {
    return CheckTagIndex(index) ? std::atof(m_tags[index].value) : 0.0;
}

float STexTagList::GetTagFloat(const char* name, float defaultValue) const {
    const int16_t index = FindTag(name);
    return index < 0 ? defaultValue : static_cast<float>(std::atof(m_tags[index].value));
}

int STexTagList::SetTagName(int16_t index, const char* name) {
    if (!CheckTagIndex(index))
        return 0;
    m_tags[index].name = name;
    m_tags[index].hash = HashTagName(name);
    return 1;
}

int STexTagList::SetTagValue(int16_t index, const char* value) {
    if (!CheckTagIndex(index))
        return 0;
    m_tags[index].value = value;
    return 1;
}

int16_t STexTagList::SetTag(const char* name, const char* value) {
    const int16_t index = FindTag(name);
    if (index >= 0)
        m_tags[index].value = value;
    else
        AppendTag(STexTag{CString(name), CString(value), HashTagName(name)});
    return GetNumTags();
}

void STexTagList::AppendTag(STexTag tag) {
    if (static_cast<int>(m_tags.size()) >= kMaxTags)
        return;
    tag.hash = HashTagName(tag.name);
    m_tags.push_back(std::move(tag));
}

STexTag* STexTagList::GetTagRecord(int16_t index) {
    return CheckTagIndex(index) ? &m_tags[index] : nullptr;
}

int STexTagList::RemoveTagAt(int16_t index) {
    if (!CheckTagIndex(index))
        return 0;
    m_tags.erase(m_tags.begin() + index);
    return 1;
}
