#include <gtest/gtest.h>

#include <string>

#include "inventory/cimxml/cimxml.h"
#include "inventory/testing/CimXml.h"

namespace {

using namespace ulvar::testing;

class MarshallPathTest : public ::testing::Test {
  protected:
    Buffer buffer = newBuffer();
    const std::string host = hostName();
};

TEST_F(MarshallPathTest, EmptyNamespacePiecesVanish) {
    EXPECT_EQ(marshallLocalNameSpacePath(buffer.get(), "/root//cimv2/", 1), 0);
    EXPECT_EQ(text(buffer.get()),
              crlf({"  <LOCALNAMESPACEPATH>", "    <NAMESPACE NAME=\"root\"/>",
                    "    <NAMESPACE NAME=\"cimv2\"/>", "  </LOCALNAMESPACEPATH>"}));
}

TEST_F(MarshallPathTest, NamespacePathNamesThisHost) {
    EXPECT_EQ(marshallNameSpacePath(buffer.get(), "root/a/b", 0), 0);
    EXPECT_EQ(text(buffer.get()),
              crlf({"<NAMESPACEPATH>", "  <HOST>" + host + "</HOST>", "  <LOCALNAMESPACEPATH>",
                    "    <NAMESPACE NAME=\"root\"/>", "    <NAMESPACE NAME=\"a\"/>",
                    "    <NAMESPACE NAME=\"b\"/>", "  </LOCALNAMESPACEPATH>", "</NAMESPACEPATH>"}));
}

TEST_F(MarshallPathTest, NullNamespaceOrPathWritesNothing) {
    Property noPath(prop("R", CIM_REFERENCE, nullptr));
    EXPECT_EQ(marshallNameSpacePath(buffer.get(), nullptr, 0), 0);
    EXPECT_EQ(marshallLocalNameSpacePath(buffer.get(), nullptr, 0), 0);
    EXPECT_EQ(marshallPropertyReference(buffer.get(), noPath.get(), 0), 0);
    EXPECT_EQ(marshallPropertyInstancePath(buffer.get(), noPath.get(), 0), 0);
    EXPECT_EQ(marshallInstanceName(buffer.get(), noPath.get(), 0), 0);
    EXPECT_EQ(marshallKeybindings(buffer.get(), noPath.get(), 0), 0);
    EXPECT_EQ(sbufGetSize(buffer.get()), 0u);
}

TEST_F(MarshallPathTest, KeyReferenceIsAFullInstancePath) {
    Path target = pathTo("Disk", "root/cimv2", {prop("Id", CIM_STRING, "d&1", true)});
    Property ref(prop("Antecedent", CIM_REFERENCE, nullptr, true, target.get()));
    EXPECT_EQ(marshallPropertyReference(buffer.get(), ref.get(), 1), 0);
    EXPECT_EQ(text(buffer.get()), crlf({"  <PROPERTY.REFERENCE NAME=\"Antecedent\">",
                                        "    <QUALIFIER NAME=\"Key\" TYPE=\"boolean\">",
                                        "      <VALUE>true</VALUE>",
                                        "    </QUALIFIER>",
                                        "    <VALUE.REFERENCE>",
                                        "      <INSTANCEPATH>",
                                        "        <NAMESPACEPATH>",
                                        "          <HOST>" + host + "</HOST>",
                                        "          <LOCALNAMESPACEPATH>",
                                        "            <NAMESPACE NAME=\"root\"/>",
                                        "            <NAMESPACE NAME=\"cimv2\"/>",
                                        "          </LOCALNAMESPACEPATH>",
                                        "        </NAMESPACEPATH>",
                                        "        <INSTANCENAME CLASSNAME=\"Disk\">",
                                        "          <KEYBINDING NAME=\"Id\">",
                                        "            <KEYVALUE>d&amp;1</KEYVALUE>",
                                        "          </KEYBINDING>",
                                        "        </INSTANCENAME>",
                                        "      </INSTANCEPATH>",
                                        "    </VALUE.REFERENCE>",
                                        "  </PROPERTY.REFERENCE>"}));
}

TEST_F(MarshallPathTest, ReferenceValuedKeyBindingNestsAValueReference) {
    Path inner = pathTo("System", "root", {prop("Name", CIM_STRING, "s", true)});
    Path outer = pathTo("Disk", "root",
                        {prop("Id", CIM_STRING, "d", true),
                         prop("Host", CIM_REFERENCE, nullptr, true, inner.get())});
    Property ref(prop("R", CIM_REFERENCE, nullptr, false, outer.get()));
    EXPECT_EQ(marshallKeybindings(buffer.get(), ref.get(), 0), 0);
    EXPECT_EQ(text(buffer.get()), crlf({"<KEYBINDING NAME=\"Id\">",
                                        "  <KEYVALUE>d</KEYVALUE>",
                                        "</KEYBINDING>",
                                        "<KEYBINDING NAME=\"Host\">",
                                        "  <VALUE.REFERENCE>",
                                        "    <INSTANCEPATH>",
                                        "      <NAMESPACEPATH>",
                                        "        <HOST>" + host + "</HOST>",
                                        "        <LOCALNAMESPACEPATH>",
                                        "          <NAMESPACE NAME=\"root\"/>",
                                        "        </LOCALNAMESPACEPATH>",
                                        "      </NAMESPACEPATH>",
                                        "      <INSTANCENAME CLASSNAME=\"System\">",
                                        "        <KEYBINDING NAME=\"Name\">",
                                        "          <KEYVALUE>s</KEYVALUE>",
                                        "        </KEYBINDING>",
                                        "      </INSTANCENAME>",
                                        "    </INSTANCEPATH>",
                                        "  </VALUE.REFERENCE>",
                                        "</KEYBINDING>"}));
}

TEST_F(MarshallPathTest, BlankKeyBindingIsWrittenAsZeroAndKeepsIt) {
    Path target = pathTo("Disk", "root", {prop("Id", CIM_STRING, "   ", true)});
    Property ref(prop("R", CIM_REFERENCE, nullptr, false, target.get()));
    EXPECT_EQ(marshallInstanceName(buffer.get(), ref.get(), 0), 0);
    EXPECT_EQ(text(buffer.get()),
              crlf({"<INSTANCENAME CLASSNAME=\"Disk\">", "  <KEYBINDING NAME=\"Id\">",
                    "    <KEYVALUE>0</KEYVALUE>", "  </KEYBINDING>", "</INSTANCENAME>"}));
    CCIMProperty *key = static_cast<CCIMProperty *>(ref->mObjPath->mKeyProperties->mDataObject);
    EXPECT_STREQ(key->mValue, "0");
}

TEST_F(MarshallPathTest, NullBufferFailsEverywhere) {
    Property p(prop("R", CIM_REFERENCE, nullptr));
    EXPECT_EQ(marshallPropertyReference(nullptr, p.get(), 0), -1);
    EXPECT_EQ(marshallPropertyValueReference(nullptr, p.get(), 0), -1);
    EXPECT_EQ(marshallPropertyInstancePath(nullptr, p.get(), 0), -1);
    EXPECT_EQ(marshallInstanceName(nullptr, p.get(), 0), -1);
    EXPECT_EQ(marshallKeybindings(nullptr, p.get(), 0), -1);
    EXPECT_EQ(marshallNameSpacePath(nullptr, "root", 0), -1);
    EXPECT_EQ(marshallHost(nullptr, 0), -1);
    EXPECT_EQ(marshallLocalNameSpacePath(nullptr, "root", 0), -1);
}

}  // namespace
