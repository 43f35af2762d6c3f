#ifndef AVDICTIONARY_H
#define AVDICTIONARY_H

struct AVDictionary;

// An FFmpeg option dictionary that frees itself, including whatever the
// library leaves in it after consuming the options it knows.
class AvDictionary
{
public:
    AvDictionary() = default;
    ~AvDictionary();
    AvDictionary(const AvDictionary &) = delete;
    AvDictionary &operator=(const AvDictionary &) = delete;

    void set(const char *key, const char *value);
    int count() const;
    bool isEmpty() const { return count() == 0; }

    // For calls that take and may replace the dictionary.
    AVDictionary **address() { return &m_dictionary; }

private:
    AVDictionary *m_dictionary = nullptr;
};

#endif // AVDICTIONARY_H
