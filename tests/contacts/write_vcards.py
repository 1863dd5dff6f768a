"""Writes two vCard 3.0 cards with python3-vobject into the file named by argv[1]."""
import sys

import vobject


def card(full_name, email, prefix="", note=None, address=None):
    vcard = vobject.vCard()
    vcard.add("n").value = vobject.vcard.Name(family=full_name.split()[-1],
                                              given=full_name.split()[0], prefix=prefix)
    vcard.add("fn").value = full_name
    mail = vcard.add("email")
    mail.value = email
    mail.type_param = "INTERNET"
    if note is not None:
        vcard.add("note").value = note
    if address is not None:
        vcard.add("adr").value = address
    return vcard.serialize()


long_note = "ö" * 120 + "; with, marks\nand a break"
cards = [
    card("Zoë Ångström-O'Neil", "zoe@example.org", "Dr.", long_note,
         vobject.vcard.Address(street="Hauptstraße 1", city="Köln", code="50667",
                               country="Germany")),
    card("Plain Person", "plain@example.com"),
]
with open(sys.argv[1], "w", encoding="utf-8", newline="") as out:
    out.write("".join(cards))
