#include "quasigeoid/gui/help_text.h"

namespace solvanta::gui {

QString HelpText() {
  return QStringLiteral(R"(
  QUASI-GEOIDA  SOLVANTA-2008QG  -  KALKULATOR  ( wersja 3.1 )    ©  zespół ORVANE
  ================================================================================

  INFORMACJE OGÓLNE O PROGRAMIE
  -----------------------------
  Model SOLVANTA-2008QG jest modelem quasi-geoidy dla obszaru Polski: rekalibracją
  globalnego modelu pola grawitacyjnego EGM2008 na punktach
  satelitarno-niwelacyjnych osnów krajowych (stacje ASG-EUPOS, punkty EUVN i
  POLREF), sprawdzoną na górskim polu testowym. Model obliczono w układzie
  PL-ETRF2000 na epokę 2011.00; do układu PL-ETRF89 przenosi się go transformacją.
  Wysokości normalne odnoszą się do układu PL-KRON86-NH (Kronsztad '86). Model
  jest siatką odstępów quasi-geoidy od elipsoidy GRS80 o oczku 0.01 stopnia,
  obejmującą obszar 48 - 56 stopni szerokości N i 13 - 25 stopni długości E.

  Ta wersja programu zamiast modelu SOLVANTA-2008QG dostarcza urzędowe modele
  quasi-geoidy GUGiK (licencja CC BY 4.0, (c) Główny Urząd Geodezji i
  Kartografii), w tym samym układzie siatki:
    - PL-geoid2021 (domyślny): wysokości normalne PL-EVRF2007-NH, układ
      obowiązujący od 1 stycznia 2024 r.,
    - PL-geoid2011-KRON86: wysokości normalne PL-KRON86-NH (prace archiwalne),
    - PL-geoid2011-EVRF2007: wysokości normalne PL-EVRF2007-NH.
  Modele PL-geoid2011 obejmują tylko obszar lądowy Polski; dla punktu poza nim
  program pisze "punkt poza zasięgiem modelu". Model wybiera się w oknie obok
  układów odniesienia; wybór zapamiętuje plik orvane.ini - zob. plik README.

  Program oferuje dwa układy odniesienia wysokości elipsoidalnych:
    - PL-ETRF89   ( EUVN + EUREF-POL + POLREF ),
    - PL-ETRF2000 na epokę 2011.00 ( ASG-EUPOS - układ aktualny ).
  Układ wcześniejszych wersji programu (ETRF89 bez realizacji PL) nie jest już
  oferowany.

  Nowe funkcje tej wersji:
    - składowe odchylenia pionu KSI i ETA w sekundach łuku,
    - niwelacja satelitarna: przeliczanie różnic wysokości elipsoidalnych na różnice
      wysokości normalnych.

  OPIS DZIAŁANIA
  --------------
  Pliki modeli (*.bin z opisem *.model) leżą w folderze programu. Przed
  obliczeniami trzeba wybrać układ odniesienia wysokości elipsoidalnych.
  Wszystkie zbiory danych i wyników są plikami tekstowymi folderu roboczego
  (pokazanego na pasku stanu). Separatorami pól są spacja, tabulator, przecinek
  i średnik; część dziesiętną oddziela zawsze kropka. Szerokości B i długości L
  podaje się w stopniach, minutach i sekundach, albo - według listy
  "WSPÓŁRZĘDNE PUNKTÓW" - w stopniach dziesiętnych (Nr B L), w układzie
  PL-2000 (Nr x y, strefa 5-8 z pierwszej cyfry y), PL-1992 (Nr x y) lub
  jako geocentryczne X Y Z (w BLH_e zastępują He). Wynik powtarza
  współrzędne tak, jak je zapisano.

  1. BL  ->  BLN : odstępy quasi-geoidy od elipsoidy N oraz składowe KSI, ETA
     Rekord BL:      Nr  B(st min sek)  L(st min sek)
       A100  51 32 19.85593  19 36  3.24319
     Rekord BLN:     Nr  B  L  N  KSI  ETA  układ

  2. BLH_e  ->  BLH_n.1 : wysokości elipsoidalne na wysokości normalne
     Rekord BLH_e:   Nr  B  L  He
       A100  51 32 19.85593  19 36  3.24319  234.5678
     Wzór:  Hn = He - N

  3. BLH_n  ->  BLH_e.1 : wysokości normalne na wysokości elipsoidalne
     Rekord BLH_n:   Nr  B  L  Hn
       A100  51 32 19.85593  19 36  3.24319  203.8765
     Wzór:  He = Hn + N

  4. DELTAH.gps + BLH.grs  ->  DELTAH1 : niwelacja satelitarna
     Rekord DELTAH.gps:  NrI  NrJ  dH(elips)  1/w
       A100  A200   12.34567   0.00000400
     Rekord BLH.grs:     Nr  B  L  (wysokość i dalsze pola są pomijane)
       A100  51 32 19.85593  19 36  3.24319
     Rekord DELTAH1:     NrI  NrJ  dH(norm)  1/w
     Wzór:  dH(norm) = dH(elips) - dN ,   dN = N2 - N1
     Zbiór DELTAH1 jest zbiorem obserwacyjnym programu wyrównania sieci
     niwelacyjnej.

  5. H_KRON86  ->  h_evrf2007.1 : wysokości normalne PL-KRON86-NH na
     PL-EVRF2007-NH (i odwrotnie: H_EVRF2007 -> h_kron86.1, wybór kierunku
     na liście obok przełącznika), różnicą modeli PL-geoid2011 (EPSG:9662).
     Rekord:  Nr  współrzędne  H ;  wynik:  Nr  współrzędne  H  dH  układ
     W układzie PL-2000 lub PL-1992 przelicza się też wykaz reperów
     xyh.sta  ->  xyh_evrf2007.sta .

  Jednym naciśnięciem "OBLICZAJ" wykonuje się wszystkie zadania, których zbiory
  danych istnieją i których przełączniki są zaznaczone. Wyniki zastępują wyniki
  wcześniejsze. Jedynym ograniczeniem rozmiaru jest 100000 rekordów w zbiorze
  BLH.grs.

  Kliknięcie panelu zbioru otwiera go w edytorze; gdy zbioru nie ma, otwiera się
  pusty edytor. Edytor pozwala przeglądać, poprawiać, zapisywać (także pod inną
  nazwą), drukować i przeszukiwać zbiory oraz zmieniać krój i wielkość czcionki.

  PUBLIKACJE I MATERIAŁY ŹRÓDŁOWE
  -------------------------------
  1. Pavlis N.K., Holmes S.A., Kenyon S.C., Factor J.K.: The development and
     evaluation of the Earth Gravitational Model 2008 (EGM2008). Journal of
     Geophysical Research, 2012.
  2. Moritz H.: Geodetic Reference System 1980. Bulletin Géodésique, 1980.
  3. Boucher C., Altamimi Z.: memorandum EUREF o ustalaniu układu odniesienia w
     opracowaniu kampanii GPS EUREF. EUREF, 2011.
  4. Rozporządzenie Rady Ministrów w sprawie państwowego systemu odniesień
     przestrzennych (układy PL-ETRF2000, PL-ETRF89, PL-KRON86-NH). Dziennik Ustaw,
     2012.
  5. Heiskanen W.A., Moritz H.: Physical Geodesy. W.H. Freeman, San Francisco,
     1967.
  6. Lemoine F.G. i in.: The Development of the Joint NASA GSFC and NIMA
     Geopotential Model EGM96. NASA/TP-1998-206861, 1998.

  ================================================================================
  SOLVANTA-2008QG  -  kalkulator quasi-geoidy                     ©  zespół ORVANE
)");
}

}  // namespace solvanta::gui
