#include "avdictionary.h"

extern "C" {
#include <libavutil/dict.h>
}

AvDictionary::~AvDictionary()
{
    av_dict_free(&m_dictionary);
}

void AvDictionary::set(const char *key, const char *value)
{
    av_dict_set(&m_dictionary, key, value, 0);
}

int AvDictionary::count() const
{
    return av_dict_count(m_dictionary);
}
