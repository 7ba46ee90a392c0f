// Pictures, picture files and the load and save of them through the window, as the picture
// file tests use them.
#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QString>
#include <QStringList>
#include <set>

#include "testing/program_session.h"

namespace quorix::testing {

inline constexpr QRgb kWhite = 0xFFFFFFFF;

inline QImage Filled(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// Four quadrants of distinct colours, one of them white.
inline constexpr QRgb kQuadrants[4] = {0xFFD02010, 0xFF10A030, kWhite, 0xFF3040E0};
inline QImage Quadrants(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, kQuadrants[(y * 2 / h) * 2 + x * 2 / w]);
    }
    return img;
}

inline QImage Distinct(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(3 * x, 5 * y, (x * y) & 0xFF));
    }
    return img;
}

inline std::set<QRgb> Colours(const QImage& img) {
    std::set<QRgb> seen;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) seen.insert(img.pixel(x, y));
    }
    return seen;
}

inline QByteArray Encode(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(img.save(&buffer, format, 100)) << format;
    return bytes;
}

[[nodiscard]] inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Clicks `button` and answers the file dialog it opens with `name` in folder `dir`.
inline FileDialogSeen ClickAndAnswer(Session& s, const char* button, const QString& dir,
                                     const QString& name) {
    FileDialogSeen seen;
    AnswerFileDialog(seen, dir, name);
    s.Click(button);
    EXPECT_TRUE(seen.answered);
    return seen;
}

inline void Load(Session& s, const QString& dir, const QString& name) {
    EXPECT_EQ(ClickAndAnswer(s, "按钮3", dir, name).mode, QFileDialog::AcceptOpen);
}

inline void Save(Session& s, const QString& dir, const QString& name) {
    const FileDialogSeen seen = ClickAndAnswer(s, "按钮2", dir, name);
    EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
    EXPECT_EQ(seen.title, U("请输入欲保存到的图片文件名："));
}

// Saves where the save cannot be written: the program says so in a message, which names the
// file it could not write. Returns the message's text.
inline QString SaveFailing(Session& s, const QString& dir, const QString& name) {
    MessageSeen message;
    AnswerMessage(message);
    Save(s, dir, name);
    EXPECT_TRUE(message.shown) << "a save that fails must say so";
    EXPECT_EQ(message.title, U("Quorix"));
    EXPECT_TRUE(message.text.contains(U("无法保存"))) << message.text.toStdString();
    return message.text;
}

inline void ExpectBoardsShow(Session& s, const QImage& expected) {
    for (const char* board : {"画板1", "画板2"}) {
        const QImage img = s.BoardPicture(board);
        EXPECT_EQ(img.size(), expected.size()) << board;
        EXPECT_EQ(img, expected.convertToFormat(img.format())) << board;
    }
}

}  // namespace quorix::testing
