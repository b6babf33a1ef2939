// The game page's click sink, called as the page calls it, over stand-in DOM objects.
#include "browser/doc_event_handler.h"

#include <mshtmdid.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "browser/stand_in_dom.h"
#include "debug_output.h"

namespace {

class ClickSinkTest : public testing::Test {
protected:
    void SetUp() override {
        m_output = std::make_unique<DebugOutputCapture>();
        m_sink = new SDocEvtHandler;
    }
    void TearDown() override {
        m_sink->Release();
        m_output.reset();
    }

    // Fires the click event of the page at the sink; returns Invoke's result.
    HRESULT Fire(DISPID id, IHTMLEventObj* event) {
        VARIANT argument;
        V_VT(&argument) = VT_DISPATCH;
        V_DISPATCH(&argument) = event;
        DISPPARAMS params = {&argument, nullptr, 1, 0};
        return m_sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }

    SDocEvtHandler* m_sink = nullptr;
    std::unique_ptr<DebugOutputCapture> m_output;
};

struct ClickCase {
    const char* what;
    // Outermost first; the last one is the clicked element.
    std::vector<std::pair<const wchar_t*, const wchar_t*>> chain;  // tag, href
    const wchar_t* traced;                                          // null: nothing
};

TEST_F(ClickSinkTest, TracesTheLinkAtOrAboveTheClick) {
    const ClickCase cases[] = {
        {"image inside a link",
         {{L"BODY", nullptr}, {L"A", L"http://127.0.0.1:18080/news?id=3"}, {L"IMG", nullptr}},
         L"单击事件:http://127.0.0.1:18080/news?id=3\r\n"},
        {"the link itself, lower case", {{L"body", nullptr}, {L"a", L"#top"}}, L"单击事件:#top\r\n"},
        {"nearest link wins", {{L"A", L"/outer"}, {L"A", L"/inner"}, {L"SPAN", nullptr}}, L"单击事件:/inner\r\n"},
        {"no link", {{L"BODY", nullptr}, {L"DIV", nullptr}, {L"SPAN", nullptr}}, nullptr},
        {"link without href", {{L"A", nullptr}, {L"SPAN", nullptr}}, L"单击事件:\r\n"},
        {"tag names are compared exactly", {{L"ABBR", L"/x"}, {L"Ab", L"/y"}}, nullptr},
        {"failing tagName stops the walk", {{L"A", L"/game"}, {nullptr, nullptr}}, nullptr},
        {"failing tagName above the click", {{L"A", L"/game"}, {nullptr, nullptr}, {L"IMG", nullptr}}, nullptr},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.what);
        m_output->Clear();
        IHTMLElement* element = nullptr;
        for (const auto& [tag, href] : c.chain) {
            IHTMLElement* child = StandInElement(tag, href, element);
            if (element) element->Release();
            element = child;
        }
        IHTMLEventObj* click = StandInClick(element);
        element->Release();
        EXPECT_EQ(Fire(DISPID_HTMLELEMENTEVENTS2_ONCLICK, click), S_OK);
        click->Release();
        EXPECT_EQ(StandInObjectsAlive(), 0) << "every reference taken is given back";
        if (c.traced) {
            EXPECT_EQ(m_output->Taken(), std::vector<std::wstring>{DebugOutputCapture::AsSeen(c.traced)});
        } else {
            EXPECT_TRUE(m_output->Taken().empty());
        }
    }
}

TEST_F(ClickSinkTest, OtherEventsAndBadCallsTraceNothing) {
    IHTMLElement* link = StandInElement(L"A", L"/game", nullptr);
    IHTMLEventObj* click = StandInClick(link);
    link->Release();
    EXPECT_EQ(Fire(DISPID_HTMLELEMENTEVENTS2_ONMOUSEOVER, click), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Fire(DISPID_HTMLELEMENTEVENTS2_ONCLICK, nullptr), S_OK);
    m_sink->OnClick(nullptr);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_NE(m_sink->Invoke(DISPID_HTMLELEMENTEVENTS2_ONCLICK, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                             nullptr),
              S_OK);
    EXPECT_TRUE(m_output->Taken().empty());

    // The connection point asks for the event interface by its id.
    IDispatch* events = nullptr;
    ASSERT_EQ(m_sink->QueryInterface(DIID_HTMLElementEvents2, reinterpret_cast<void**>(&events)), S_OK);
    EXPECT_EQ(events, static_cast<IDispatch*>(m_sink));
    events->Release();
    IUnknown* other = nullptr;
    EXPECT_EQ(m_sink->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&other)), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    click->Release();
    EXPECT_EQ(StandInObjectsAlive(), 0);
}

}  // namespace
