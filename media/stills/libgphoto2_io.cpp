#include <gphoto2/gphoto2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "media/stills/gphoto_io.h"

namespace media {
namespace {

// Our own list of a CameraList's name/value pairs.
std::vector<std::pair<std::string, std::string>> Entries(CameraList* list) {
    std::vector<std::pair<std::string, std::string>> entries;
    const int count = gp_list_count(list);
    for (int i = 0; i < count; ++i) {
        const char* name = nullptr;
        const char* value = nullptr;
        gp_list_get_name(list, i, &name);
        gp_list_get_value(list, i, &value);
        entries.emplace_back(name ? name : "", value ? value : "");
    }
    return entries;
}

WidgetKind KindOf(CameraWidgetType type) {
    switch (type) {
    case GP_WIDGET_TEXT:
        return WidgetKind::Text;
    case GP_WIDGET_RANGE:
        return WidgetKind::Range;
    case GP_WIDGET_TOGGLE:
        return WidgetKind::Toggle;
    case GP_WIDGET_RADIO:
        return WidgetKind::Radio;
    case GP_WIDGET_MENU:
        return WidgetKind::Menu;
    case GP_WIDGET_BUTTON:
        return WidgetKind::Button;
    case GP_WIDGET_DATE:
        return WidgetKind::Date;
    default:
        return WidgetKind::Other;
    }
}

std::string ValueText(CameraWidget* widget, WidgetKind kind) {
    switch (kind) {
    case WidgetKind::Text:
    case WidgetKind::Radio:
    case WidgetKind::Menu: {
        const char* text = nullptr;
        return gp_widget_get_value(widget, &text) == GP_OK && text ? text : "";
    }
    case WidgetKind::Range: {
        float value = 0;
        gp_widget_get_value(widget, &value);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", double(value));
        return buffer;
    }
    case WidgetKind::Toggle:
    case WidgetKind::Date: {
        int value = 0;
        gp_widget_get_value(widget, &value);
        return std::to_string(value);
    }
    default:
        return "";
    }
}

class LibGphoto2Io : public GphotoIo {
public:
    LibGphoto2Io() : m_context(gp_context_new()) {}
    ~LibGphoto2Io() override {
        exit();
        if (m_abilities) gp_abilities_list_free(m_abilities);
        if (m_ports) gp_port_info_list_free(m_ports);
        gp_context_unref(m_context);
    }

    int detect(std::vector<DetectedCamera>& cameras) override {
        CameraList* list = nullptr;
        if (int r = gp_list_new(&list); r < GP_OK) return r;
        const int r = gp_camera_autodetect(list, m_context);
        cameras.clear();
        if (r >= GP_OK) {
            for (auto& [model, port] : Entries(list)) cameras.push_back({model, port});
        }
        gp_list_free(list);
        return r < GP_OK ? r : GP_OK;
    }

    int open(const DetectedCamera& camera) override {
        exit();
        if (int r = loadLists(); r < GP_OK) return r;
        if (int r = gp_camera_new(&m_camera); r < GP_OK) return r;
        int r = gp_abilities_list_lookup_model(m_abilities, camera.model.c_str());
        if (r < GP_OK) r = GP_ERROR_MODEL_NOT_FOUND;
        CameraAbilities abilities;
        if (r >= GP_OK) r = gp_abilities_list_get_abilities(m_abilities, r, &abilities);
        if (r >= GP_OK) r = gp_camera_set_abilities(m_camera, abilities);
        if (r >= GP_OK) {
            // A port that is not listed (any more) is a camera that is not plugged in.
            r = gp_port_info_list_lookup_path(m_ports, camera.port.c_str());
            if (r < GP_OK) r = GP_ERROR_IO_USB_FIND;
        }
        GPPortInfo port;
        if (r >= GP_OK) r = gp_port_info_list_get_info(m_ports, r, &port);
        if (r >= GP_OK) r = gp_camera_set_port_info(m_camera, port);
        if (r >= GP_OK) r = gp_camera_init(m_camera, m_context);
        if (r < GP_OK) {
            gp_camera_unref(m_camera);
            m_camera = nullptr;
            return r;
        }
        return GP_OK;
    }

    int capturePreview(std::vector<uint8_t>& jpeg) override {
        return withFile([&](CameraFile* file) { return gp_camera_capture_preview(m_camera, file, m_context); }, jpeg);
    }

    int captureImage(CameraFilePath& path) override {
        if (!m_camera) return GP_ERROR_BAD_PARAMETERS;
        ::CameraFilePath taken{};
        const int r = gp_camera_capture(m_camera, GP_CAPTURE_IMAGE, &taken, m_context);
        if (r < GP_OK) return r;
        path = {taken.folder, taken.name};
        return GP_OK;
    }

    int download(const CameraFilePath& path, std::vector<uint8_t>& data) override {
        return withFile(
            [&](CameraFile* file) {
                return gp_camera_file_get(m_camera, path.folder.c_str(), path.name.c_str(), GP_FILE_TYPE_NORMAL, file,
                                          m_context);
            },
            data);
    }

    int waitForEvent(int timeoutMs, CameraEvent& event) override {
        if (!m_camera) return GP_ERROR_BAD_PARAMETERS;
        CameraEventType type = GP_EVENT_UNKNOWN;
        void* data = nullptr;
        const int r = gp_camera_wait_for_event(m_camera, timeoutMs, &type, &data, m_context);
        event = {};
        if (r >= GP_OK) {
            switch (type) {
            case GP_EVENT_TIMEOUT:
                event.kind = CameraEventKind::Timeout;
                break;
            case GP_EVENT_CAPTURE_COMPLETE:
                event.kind = CameraEventKind::CaptureComplete;
                break;
            case GP_EVENT_FILE_ADDED: {
                const auto* added = static_cast<const ::CameraFilePath*>(data);
                event.kind = CameraEventKind::FileAdded;
                event.file = {added->folder, added->name};
                break;
            }
            default:
                event.kind = CameraEventKind::Other;
                break;
            }
        }
        std::free(data);  // the caller owns whatever came with the event
        return r < GP_OK ? r : GP_OK;
    }

    int listConfig(std::vector<std::string>& names) override {
        if (!m_camera) return GP_ERROR_BAD_PARAMETERS;
        CameraList* list = nullptr;
        if (int r = gp_list_new(&list); r < GP_OK) return r;
        const int r = gp_camera_list_config(m_camera, list, m_context);
        names.clear();
        if (r >= GP_OK) {
            for (auto& [name, value] : Entries(list)) {
                // Listed as paths ("/main/imgsettings/iso"); single settings go by the last part.
                names.push_back(name.substr(name.rfind('/') + 1));
            }
        }
        gp_list_free(list);
        return r < GP_OK ? r : GP_OK;
    }

    int getConfig(const std::string& name, ConfigWidget& out) override {
        if (!m_camera) return GP_ERROR_BAD_PARAMETERS;
        CameraWidget* widget = nullptr;
        if (int r = gp_camera_get_single_config(m_camera, name.c_str(), &widget, m_context); r < GP_OK) return r;
        CameraWidgetType type = GP_WIDGET_TEXT;
        gp_widget_get_type(widget, &type);
        out = {};
        out.name = name;
        const char* label = nullptr;
        if (gp_widget_get_label(widget, &label) == GP_OK && label) out.label = label;
        out.kind = KindOf(type);
        out.value = ValueText(widget, out.kind);
        if (out.kind == WidgetKind::Radio || out.kind == WidgetKind::Menu) {
            const int count = gp_widget_count_choices(widget);
            for (int i = 0; i < count; ++i) {
                const char* choice = nullptr;
                if (gp_widget_get_choice(widget, i, &choice) == GP_OK && choice) out.choices.push_back(choice);
            }
        }
        if (out.kind == WidgetKind::Range) gp_widget_get_range(widget, &out.minimum, &out.maximum, &out.step);
        int readOnly = 0;
        gp_widget_get_readonly(widget, &readOnly);
        out.readOnly = readOnly != 0;
        gp_widget_free(widget);
        return GP_OK;
    }

    int setConfig(const std::string& name, const std::string& value) override {
        if (!m_camera) return GP_ERROR_BAD_PARAMETERS;
        CameraWidget* widget = nullptr;
        if (int r = gp_camera_get_single_config(m_camera, name.c_str(), &widget, m_context); r < GP_OK) return r;
        CameraWidgetType type = GP_WIDGET_TEXT;
        gp_widget_get_type(widget, &type);
        int r = GP_OK;
        switch (KindOf(type)) {
        case WidgetKind::Range: {
            char* end = nullptr;
            const float number = std::strtof(value.c_str(), &end);
            r = end == value.c_str() ? GP_ERROR_BAD_PARAMETERS : gp_widget_set_value(widget, &number);
            break;
        }
        case WidgetKind::Toggle:
        case WidgetKind::Date:
        case WidgetKind::Button: {
            const int number = std::atoi(value.c_str());
            r = gp_widget_set_value(widget, &number);
            break;
        }
        default:
            r = gp_widget_set_value(widget, value.c_str());
            break;
        }
        if (r >= GP_OK) r = gp_camera_set_single_config(m_camera, name.c_str(), widget, m_context);
        gp_widget_free(widget);
        return r < GP_OK ? r : GP_OK;
    }

    void exit() override {
        if (!m_camera) return;
        gp_camera_exit(m_camera, m_context);
        gp_camera_unref(m_camera);
        m_camera = nullptr;
    }

private:
    // The driver and port lists are read from disk once per connection: the first open costs it.
    int loadLists() {
        if (!m_abilities) {
            if (int r = gp_abilities_list_new(&m_abilities); r < GP_OK) return r;
            if (int r = gp_abilities_list_load(m_abilities, m_context); r < GP_OK) {
                gp_abilities_list_free(m_abilities);  // half loaded: read it again next time
                m_abilities = nullptr;
                return r;
            }
        }
        if (!m_ports) {
            if (int r = gp_port_info_list_new(&m_ports); r < GP_OK) return r;
            if (int r = gp_port_info_list_load(m_ports); r < GP_OK) {
                gp_port_info_list_free(m_ports);
                m_ports = nullptr;
                return r;
            }
        }
        return GP_OK;
    }

    template <typename Fill>
    int withFile(Fill fill, std::vector<uint8_t>& out) {
        if (!m_camera) return GP_ERROR_BAD_PARAMETERS;
        CameraFile* file = nullptr;
        if (int r = gp_file_new(&file); r < GP_OK) return r;
        int r = fill(file);
        const char* data = nullptr;
        unsigned long size = 0;
        if (r >= GP_OK) r = gp_file_get_data_and_size(file, &data, &size);
        if (r >= GP_OK)
            out.assign(reinterpret_cast<const uint8_t*>(data), reinterpret_cast<const uint8_t*>(data) + size);
        gp_file_unref(file);
        return r < GP_OK ? r : GP_OK;
    }

    GPContext* m_context;
    Camera* m_camera = nullptr;
    CameraAbilitiesList* m_abilities = nullptr;
    GPPortInfoList* m_ports = nullptr;
};

}  // namespace

std::unique_ptr<GphotoIo> SystemGphotoIo() { return std::make_unique<LibGphoto2Io>(); }

}  // namespace media
