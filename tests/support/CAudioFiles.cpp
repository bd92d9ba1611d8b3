#include "support/CAudioFiles.h"

#include <QFile>
#include <gst/gst.h>

namespace CAudioFiles {

QString Extension(EAudioFormat format)
{
    switch (format) {
    case EAudioFormat::Flac:
        return QStringLiteral("flac");
    case EAudioFormat::OggVorbis:
        return QStringLiteral("ogg");
    case EAudioFormat::Opus:
        return QStringLiteral("opus");
    case EAudioFormat::Mp4:
        return QStringLiteral("m4a");
    case EAudioFormat::Mpeg:
        break;
    }
    return QStringLiteral("mp3");
}

bool Write(const QString& path, EAudioFormat format, double seconds, const STags& tags)
{
    static const bool ready = gst_init_check(nullptr, nullptr, nullptr);
    const char* encoder = format == EAudioFormat::Flac        ? "flacenc name=tagger"
                          : format == EAudioFormat::OggVorbis ? "vorbisenc name=tagger ! oggmux"
                          : format == EAudioFormat::Opus
                              ? "audioresample ! opusenc name=tagger ! oggmux"
                              : "avenc_aac ! mp4mux name=tagger";
    const QString description =
        QStringLiteral("audiotestsrc freq=440 volume=0.2 samplesperbuffer=441 num-buffers=%1 ! "
                       "audio/x-raw,rate=44100,channels=2 ! audioconvert ! %2 ! filesink name=out")
            .arg(qRound(seconds * 100))
            .arg(QLatin1String(encoder));
    GstElement* pipeline =
        ready ? gst_parse_launch(description.toUtf8().constData(), nullptr) : nullptr;
    if (!pipeline)
        return false;
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    g_object_set(out, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(out);

    GstTagList* list = gst_tag_list_new_empty();
    const auto put = [list](const char* tag, const QString& value) {
        if (!value.isEmpty())
            gst_tag_list_add(list, GST_TAG_MERGE_APPEND, tag, value.toUtf8().constData(), nullptr);
    };
    put(GST_TAG_TITLE, tags.title);
    put(GST_TAG_ARTIST, tags.artist);
    put(GST_TAG_ALBUM, tags.album);
    put(GST_TAG_GENRE, tags.genre);
    put(GST_TAG_COMMENT, tags.comment);
    // Xiph comments take lyrics only as a comment of their own.
    if (format == EAudioFormat::Mp4)
        put(GST_TAG_LYRICS, tags.lyrics);
    else if (!tags.lyrics.isEmpty())
        put(GST_TAG_EXTENDED_COMMENT, QStringLiteral("LYRICS=") + tags.lyrics);
    put(GST_TAG_COMPOSER, tags.composer);
    if (tags.year) {
        GstDateTime* date = gst_date_time_new_y(tags.year);
        gst_tag_list_add(list, GST_TAG_MERGE_APPEND, GST_TAG_DATE_TIME, date, nullptr);
        gst_date_time_unref(date);
        // The MP4 muxer takes a date only.
        GDate* day = g_date_new_dmy(1, G_DATE_JANUARY, GDateYear(tags.year));
        gst_tag_list_add(list, GST_TAG_MERGE_APPEND, GST_TAG_DATE, day, nullptr);
        g_date_free(day);
    }
    GstElement* tagger = gst_bin_get_by_name(GST_BIN(pipeline), "tagger");
    gst_tag_setter_merge_tags(GST_TAG_SETTER(tagger), list, GST_TAG_MERGE_REPLACE);
    gst_object_unref(tagger);
    gst_tag_list_unref(list);

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool done = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end)
        gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return done;
}

} // namespace CAudioFiles
