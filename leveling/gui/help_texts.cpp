#include "leveling/gui/help_texts.h"

namespace kvel::gui {

QString GeneralHelpText() {
  return QStringLiteral(R"(
 WYRÓWNANIE ŚCISŁE SIECI NIWELACYJNEJ 
 ====================================

 INFORMACJE  OGÓLNE  
 -------------------
 Program wykonuje ścisłe wyrównanie sieci niwelacyjnej metodą
 najmniejszych kwadratów ( [pvv] = min ). Wyniki zapisuje z wybraną
 precyzją: 0.001 m, 0.0001 m lub 0.00001 m, dzięki czemu nadaje się
 także do wyrównania sieci kontrolnych przemieszczeń pionowych.

 Dane wejściowe są zbiorami tekstowymi aktywnego folderu roboczego
 (pokazanego na pasku stanu). Zbiory wynikowe są zapisywane w tym
 samym folderze, obok danych.

 Estymacja mocna służy wyłącznie do wykrywania błędów grubych
 w obserwacjach i nie jest przeznaczona do dokumentacji. Po
 estymacji mocnej raportowane są tylko obserwacje wyrównane
 z poprawkami i błędami średnimi.

 Analiza dokładności jest wykonywana ściśle, z macierzy kowariancji,
 albo w sposób uproszczony, z parametru Otrębskiego (średniej
 redukcji kwadratów błędów średnich obserwacji przez wyrównanie).
 Analiza uproszczona służy tylko do prac wstępnych.

 Opcja  Mo = 1  przyjmuje błąd średni jednostkowy równy 1 zamiast
 jego wartości empirycznej z wyrównania. Gdy którykolwiek reper
 nawiązania ma błąd średni większy od 0.0, błędy średnie wysokości
 są zawsze liczone z Mo = 1.

 ZBIORY WEJŚCIOWE
 ----------------
 Zbiory obserwacyjne: deltah i deltah1 (jeden z nich lub oba).
 Rekord obserwacji:

    Nr(i)  Nr(j)  dH  parametr

   Nr(i), Nr(j) - numery punktów początkowego i końcowego
                  (do 16 znaków, wielkość liter ma znaczenie),
   dH           - różnica wysokości H(j) - H(i) w metrach,
   parametr     - charakterystyka dokładności, jedna z:
                  L   - długość ciągu w km,
                  n   - liczba stanowisk,
                  m*m - kwadrat błędu średniego.

 Separatorami pól są: spacja, przecinek, średnik i tabulator.
 Częścią dziesiętną oddziela zawsze kropka.

 Zbiór kończy rekord zer, który w trzeciej kolumnie niesie błąd
 średni jednostkowy Mo w metrach (na 1 km albo na 1 stanowisko),
 np. dla 1.5 mm:

    0  0  0.0015  0

 Gdy parametrem jest kwadrat błędu średniego m*m, rekord końcowy
 składa się z czterech zer:

    0  0  0  0

 Przykład zbioru deltah:

    1001   1002    2.34512   1.20
    1002   1003   -0.87230   0.85
    1003   1001   -1.47260   1.60
    0      0       0.0015    0

 Zbiór reperów nawiązania: h.sta, a gdy go brak - xyh.sta.
 Rekord h.sta:   Nr  H
 Rekord xyh.sta: Nr  X  Y  H
 Rekord z zerem w pierwszej kolumnie kończy grupę reperów; w kolumnie
 wysokości może nieść błąd średni Mh reperów tej grupy (w metrach).
 Rekord zer (0 0 w h.sta, 0 0 0 0 w xyh.sta) oznacza repery stałe.

 Przykład zbioru h.sta:

    1001   215.4320
    1003   216.2950
    0      0

 ZBIORY WYNIKOWE
 ---------------
 wyh.osn - protokół opisowy wyrównania: wykazy kontrolne danych,
           wyznaczalność punktów, protokół iteracji, parametry
           niezawodności, wysokości wyrównane, obserwacje wyrównane
           z poprawkami i analiza dokładności.
 h.osn   - wykaz wysokości wyrównanych z ich błędami średnimi.
 testy.osn - testy statystyczne wyrównania: test globalny [pvv]
           (chi-kwadrat), test w każdej obserwacji (liczba
           nadwymiarowości r, MDB, niezawodność zewnętrzna)
           i wykrywanie błędów grubych (data snooping).
 wyh.csv, h.csv - obserwacje i wysokości do odczytu innymi
           programami (UTF-8, przecinek, kropka dziesiętna).

 Kliknięcie panelu zbioru otwiera go w oknie edytora.

 OGRANICZENIA
 ------------
 - do 20 000 punktów,
 - do 40 000 obserwacji,
 - do 15 000 000 rezerwowanych elementów pasmowej macierzy
   równań normalnych,
 - do 2000 powiązań jednego punktu z innymi.

 ----------------------------------------------------------------
 System ORVANE  ©  zespół ORVANE
)");
}

QString OptionsHelpText() {
  return QStringLiteral(R"(
 WYRÓWNANIE ŚCISŁE SIECI NIWELACYJNEJ - WYBIERANIE OPCJI 
 ========================================================

 Przed uruchomieniem obliczeń wybiera się trzy opcje:

 1. Zasada wyrównania:
    - STANDARD MNK      - metoda najmniejszych kwadratów,
    - ESTYMACJA MOCNA   - estymacja odporna na błędy grube.

    Do wyników ostatecznych, dokumentacyjnych należy stosować
    metodę najmniejszych kwadratów. Estymację mocną stosuje się
    tylko do kontroli i diagnozy sieci o dużej liczbie obserwacji
    nadliczbowych, w celu wykrycia błędów grubych.

 2. Tryb obliczeń:
    - PEŁNY [STANDARD]        - ścisła analiza dokładności
                                z macierzy kowariancji,
    - Bez ścisłej analizy mV  - analiza uproszczona, oparta na
                                średniej redukcji kwadratów
                                błędów średnich obserwacji przez
                                wyrównanie (parametr Otrębskiego).

    Wybór trybu ma znaczenie tylko w dużych sieciach, w których
    ścisła analiza trwa długo.

 3. Precyzja zapisu wyników w protokole końcowym:
    - 0.001 m,
    - 0.0001 m,
    - 0.00001 m  (dla sieci przemieszczeń pionowych).

 4. Testy statystyczne (zbiór testy.osn):
    - alfa   - poziom istotności testu globalnego (0.05),
    - alfa0  - poziom istotności testu w (0.001),
    - moc    - moc testu w (0.80),
    - wykrywanie błędów grubych: usuwanie kolejno
      obserwacji o największym |w| ponad wartość
      krytyczną i ponowne wyrównanie.
    Tekst spoza zakresu nie zmienia ustawionej wartości.
)");
}

}  // namespace kvel::gui
