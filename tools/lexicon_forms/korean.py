"""Write lexicons/review/korean.forms.tsv: the particle and ending forms of Korean entries.

Korean text attaches case particles to nouns and endings to verb and adjective stems,
so a lexicon of bare words would miss most of what real text writes. This script
spells out, for reviewed Korean entries, the common forms that a reader meets:

* nouns with the particles 이/가, 은/는, 을/를, 의, 에, 도, (으)로, the allomorph
  chosen by whether the last syllable has a final consonant;
* 하다 verbs and adjectives (a noun root plus 하다) with their common endings;
* the other verbs and adjectives from a hand-written table, since their stems
  change shape (ㅂ, 르 and ㅡ irregulars) and a rule would misspell them.

Every form takes the score of its lemma, which must be a kept, rescored or added
word of the review file. A form that is a lexicon word in its own right, or a form
already produced for another lemma, is left out (the first lemma wins). The output
was read and corrected by hand; the tables below hold only what survived that reading.

Run from the repository root: ``python3 tools/lexicon_forms/korean.py``.
"""

from __future__ import annotations

import csv
import unicodedata
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SOURCE = ROOT / "lexicons" / "data" / "korean.tsv"
REVIEW = ROOT / "lexicons" / "review" / "korean.tsv"
OUTPUT = ROOT / "lexicons" / "review" / "korean.forms.tsv"

HANGUL_FIRST = 0xAC00
HANGUL_LAST = 0xD7A3
RIEUL_FINAL = 8  # index of ㄹ among the 28 final-consonant slots

# Nouns that take case particles. Interjections, adverbs and words whose particle
# forms collide with another common word (독 + 도 is the island 독도) are not listed.
NOUNS: tuple[str, ...] = tuple(
    """
    감격 기쁨 기적 승리 승자 감동 감탄 매력 매혹 번영 사랑 성공 애정 인기 존경 찬양
    최고 축복 축하 칭찬 행복 행복감 활기 활력 가치 감사 감상 강점 개선 격려 경의 공감
    교양 구원 구출 기대 기부 기회 농담 능력 도움 동의 두려움 로맨스 만족 모험 무죄 미소
    박수 배려 보람 보물 보상 성실 성장 성취 안전 영감 영광 영예 영웅 예의 완성 용기
    용서 우정 위로 유머 응원 이득 이익 이점 자비 자신감 자유 장점 재능 조화 존엄 지원
    천국 추천 친구 친절 키스 평화 포옹 해결 향상 헌신 혜택 호의 화해 환영 환호 희망
    관심 기도 꿈 명성 믿음 보장 보호 승진 안심 약속 열정 웃음 은혜 이해 일등 지혜 초대
    합의 해결책 혁신 확신 후원 가난 감시 경보 공격 금지 기소 도발 마비 무시 변명 부진
    시체 암 압력 유령 유출 유혹 인정 장난 장례식 재미 저주 조작 중단 취소 침묵 침입 파업
    폭탄 할인 해킹 후퇴 휴가 감염 감옥 강요 강제 거부 거짓말 걱정 검열 겁쟁이 격노 결점
    경멸 고난 고발 고소 고통 공포증 공황 괴로움 굴욕 권태 기근 기절 긴장 낙담 납치 낭비
    노력 논쟁 눈물 단점 당황 대립 독감 독점 두통 모욕 무관심 무기력 무능 무례 무식 무질서
    무책임 문제 밀수 박해 반발 반항 방해 배척 벌금 범인 변덕 변비 보복 보이콧 봉쇄
    부끄러움 부담 부상 부작용 부정 부족 분개 분쟁 불만 불면증 불명예 불신 불안 불편 불평
    불행 붕괴 비극 비난 비명 비웃음 비판 빚 사고 사기 사망 삭감 살인자 상처 선고 소송
    소원 스트레스 스팸 슬픔 시위 신음 실망 실수 실업 실패 심문 싸움 아픔 악당 악용 악취
    악행 알레르기 압류 압박 애도 약점 약탈 억압 엉망 오류 오물 오염 오해 왕따 왜곡 우려
    우울 울음 위반 위선 위험 위협 유감 유괴 의심 자살 잘못 장벽 장애 장애물 재해 전쟁
    조롱 종말 종양 좌절 죄 죄수 죽음 중독 지연 질병 질투 징계 차별 착각 처벌 초조 추락
    추문 추방 충격 충돌 침략 타락 탈선 테러 테러리스트 투옥 투쟁 파멸 패배 포기 포로 폭동
    폭행 피로 피해 한숨 항의 해고 허위 혼돈 혼동 환멸 후회 훼손 흉터 희생양 가짜 결함 경고
    고뇌 고민 공포 광기 괴롭힘 구역질 구토 날조 남용 노예 뇌물 미움 바보 박탈 반역 반칙
    배반 배신 범죄 변태 부패 분노 불법 비참 사기꾼 살인 살해 세뇌 소란 속임수 손상 손실
    손해 스캔들 실패자 쓰레기 악화 암살 역병 욕심 위기 위조 음모 재앙 전염병 절망 중죄
    증오 질책 짜증 체포 탄핵 파괴 파산 패닉 폭력 피해자 학대 혐오 협박 희생 희생자 강간
    기만 똥 지옥 엉터리 범죄자 건강 행운 다행 최악 대박 천재 천사 악마 우승 신뢰 존중 최선
    재난 참사 학살 화재 지진 폭발 혐의 비리 갈등 논란 혼란 고생 어려움 문제점 실종 사망자
    우울증 아름다움 즐거움 따뜻함 미녀 미인 불량 범행 성폭력 죄책감 불륜 성추행 성폭행
    악몽 망상 모범 잔소리 멍청이 성매매 호평 호감 원망 트라우마 부실 깡패 음란 고독 빈곤
    시련 착취 자부심 욕설 은폐 소외 탐욕 적폐 극찬 열광 미련 인내 재주 불화 자만 괴짜
    치욕 악질 쾌감 불매 꼰대 개판 열등감 고충 곤경 끈기 놀라움 신경질 징벌 허영 멸시
    부조리 핍박 걸림돌 따돌림 말썽 불합격 악영향 편리
    """.split()
)

# Noun roots whose 하다 verb carries the noun's feeling: root -> lemma.
HADA_VERBS: dict[str, str] = {
    "사랑": "사랑하다", "감사": "감사하다", "축하": "축하하다", "걱정": "걱정하다",
    "후회": "후회하다", "실망": "실망하다", "미워": "미워하다", "좋아": "좋아하다",
    "싫어": "싫어하다", "칭찬": "칭찬", "존경": "존경", "응원": "응원", "추천": "추천",
    "감동": "감동", "환영": "환영", "포기": "포기", "의심": "의심", "용서": "용서",
    "기대": "기대", "무시": "무시", "고민": "고민", "공감": "공감", "배려": "배려",
    "격려": "격려", "기부": "기부", "헌신": "헌신", "화해": "화해", "환호": "환호",
    "승리": "승리", "성공": "성공", "실패": "실패", "해결": "해결", "개선": "개선",
    "향상": "향상", "보호": "보호", "신뢰": "신뢰", "존중": "존중", "감탄": "감탄",
    "찬양": "찬양", "체포": "체포", "처벌": "처벌", "차별": "차별", "모욕": "모욕",
    "방해": "방해", "거부": "거부", "공격": "공격", "납치": "납치", "유괴": "유괴",
    "낭비": "낭비", "오해": "오해", "착각": "착각", "항의": "항의", "비난": "비난",
    "비판": "비판", "파괴": "파괴", "폭행": "폭행", "살해": "살해", "학대": "학대",
    "협박": "협박", "혐오": "혐오", "증오": "증오", "절망": "절망", "좌절": "좌절",
    "희생": "희생", "저주": "저주", "위협": "위협", "우승": "우승", "만족": "만족",
    "당황": "당황", "긴장": "긴장", "배신": "배신",
    "약탈": "약탈", "조롱": "조롱", "억압": "억압", "박해": "박해", "왜곡": "왜곡",
    "침략": "침략", "해고": "해고", "고발": "고발", "고소": "고소", "기소": "기소",
    "기도": "기도", "위로": "위로", "이해": "이해", "인정": "인정", "약속": "약속",
    "초대": "초대", "축복": "축복", "구원": "구원", "구출": "구출", "후원": "후원",
}
HADA_VERB_ENDINGS: tuple[str, ...] = (
    "하다", "한다", "해", "해요", "했다", "했어", "했어요", "했습니다", "합니다", "하는",
    "한", "할", "하고", "해서", "하지", "하게", "했던", "했고",
)

# Noun roots whose 하다 adjective carries the feeling: root -> lemma.
HADA_ADJECTIVES: dict[str, str] = {
    "행복": "행복하다", "불편": "불편하다", "편안": "편안하다", "친절": "친절하다",
    "간단": "간단하다", "복잡": "복잡하다", "불안": "불안하다", "피곤": "피곤하다",
    "억울": "억울하다", "훌륭": "훌륭하다", "대단": "대단하다", "소중": "소중하다",
    "똑똑": "똑똑하다", "위험": "위험하다", "착": "착하다", "편": "편하다",
    "미안": "미안하다", "불쌍": "불쌍하다", "끔찍": "끔찍하다", "답답": "답답하다",
    "완벽": "완벽하다", "심각": "심각하다", "위대": "위대하다", "유쾌": "유쾌하다",
    "멍청": "멍청하다", "불행": "불행하다", "잔인": "잔인하다", "비참": "비참하다",
    "지루": "지루하다", "건강": "건강", "우울": "우울",
    "안전": "안전", "성실": "성실", "무례": "무례", "무능": "무능", "무책임": "무책임",
    "부당": "부당", "불쾌": "불쾌", "상쾌": "상쾌", "초조": "초조", "죄송": "죄송합니다",
    "섭섭": "섭섭", "뻔뻔": "뻔뻔", "난폭": "난폭", "우수": "우수", "용감": "용감",
    "관대": "관대", "공평": "공평", "정중": "정중", "원활": "원활", "친밀": "친밀",
    "평온": "평온", "확고": "확고", "모호": "모호", "산만": "산만", "인색": "인색",
    "무식": "무식", "냉담": "냉담", "잔학": "잔학", "포악": "포악", "우둔": "우둔",
    "한심": "한심하다", "편리": "편리하다", "심심": "심심하다", "상냥": "상냥하다",
    "든든": "든든하다", "황당": "황당하다", "창피": "창피하다", "애매": "애매하다",
    "탁월": "탁월하다", "짜릿": "짜릿하다", "뿌듯": "뿌듯하다", "찬란": "찬란하다",
    "찌질": "찌질하다", "민망": "민망하다", "발랄": "발랄하다", "참담": "참담하다",
    "처참": "처참하다", "암울": "암울하다", "애틋": "애틋하다", "난감": "난감하다",
    "총명": "총명하다", "원만": "원만하다", "악랄": "악랄하다", "흐뭇": "흐뭇하다",
    "기특": "기특하다", "숭고": "숭고하다", "비통": "비통하다", "냉혹": "냉혹하다",
    "대견": "대견하다", "괴상": "괴상하다", "추악": "추악하다", "지긋지긋": "지긋지긋하다",
    "허전": "허전하다", "부지런": "부지런하다", "안일": "안일하다", "화창": "화창하다",
    "속상": "속상하다", "희한": "희한하다", "다급": "다급하다", "심란": "심란하다",
    "노련": "노련하다", "청순": "청순하다", "구질구질": "구질구질하다", "말끔": "말끔하다",
}
HADA_ADJECTIVE_ENDINGS: tuple[str, ...] = (
    "하다", "한", "해", "해요", "했다", "했어요", "합니다", "했습니다", "하고", "하게",
    "해서", "하지", "했던", "하네요", "함",
)

# Verbs and adjectives whose stems change shape: lemma -> forms, written out by hand.
IRREGULAR: dict[str, tuple[str, ...]] = {
    "좋다": ("좋고", "좋게", "좋네요", "좋아요", "좋았다", "좋았어요", "좋습니다", "좋았던",
            "좋지", "좋겠다", "좋아서", "좋을", "좋으면", "좋은데", "좋네", "좋았고"),
    "싫다": ("싫고", "싫었다", "싫습니다", "싫지", "싫네요", "싫어서"),
    "괜찮다": ("괜찮아", "괜찮아요", "괜찮은", "괜찮습니다", "괜찮네요", "괜찮았다", "괜찮고",
             "괜찮게", "괜찮을"),
    "힘들다": ("힘들어", "힘들어요", "힘든", "힘들었다", "힘들었어요", "힘들고", "힘들게",
             "힘듭니다", "힘들지", "힘들었던", "힘들어서"),
    "예쁘다": ("예뻐", "예뻐요", "예쁘고", "예쁘게", "예뻤다", "예쁩니다", "예쁘네요", "예뻤던"),
    "아름답다": ("아름답고", "아름다워", "아름다워요", "아름다웠다", "아름답습니다",
              "아름답네요", "아름다웠던"),
    "멋지다": ("멋져", "멋져요", "멋지고", "멋지게", "멋졌다", "멋집니다", "멋지네요"),
    "멋있다": ("멋있어", "멋있어요", "멋있는", "멋있고", "멋있게", "멋있었다", "멋있네요"),
    "귀엽다": ("귀여운", "귀여워", "귀여워요", "귀엽고", "귀엽게", "귀여웠다", "귀엽네요",
             "귀엽습니다"),
    "슬프다": ("슬프고", "슬펐다", "슬픕니다", "슬프네요", "슬펐던"),
    "기쁘다": ("기쁘고", "기뻤다", "기쁩니다", "기뻐요", "기쁘네요", "기쁠"),
    "무섭다": ("무섭고", "무섭게", "무서웠다", "무서워요", "무섭네요", "무섭습니다"),
    "즐겁다": ("즐겁고", "즐거워", "즐거워요", "즐거웠다", "즐거웠어요", "즐겁습니다",
             "즐겁네요", "즐거웠던"),
    "재미있다": ("재미있어", "재미있어요", "재미있고", "재미있게", "재미있었다", "재미있었어요",
              "재미있습니다", "재미있네요"),
    "재밌다": ("재밌어", "재밌어요", "재밌는", "재밌고", "재밌게", "재밌었다", "재밌었어요",
             "재밌네요"),
    "재미없다": ("재미없어", "재미없어요", "재미없고", "재미없었다", "재미없네요"),
    "맛있다": ("맛있어", "맛있어요", "맛있고", "맛있게", "맛있었다", "맛있었어요", "맛있습니다",
             "맛있네요"),
    "맛없다": ("맛없어", "맛없어요", "맛없고", "맛없었다"),
    "더럽다": ("더럽고", "더러워", "더러워요", "더럽게"),
    "아프다": ("아파요", "아프고", "아팠다", "아파서", "아픕니다", "아팠어요"),
    "나쁘다": ("나빠", "나빠요", "나쁘고", "나쁘게", "나빴다", "나쁩니다", "나쁘네요"),
    "외롭다": ("외로운", "외로워", "외로워요", "외롭고", "외로웠다", "외로움"),
    "그립다": ("그리운", "그리워", "그리워요", "그립고", "그리웠다"),
    "반갑다": ("반가운", "반가워", "반가워요", "반갑고", "반갑습니다", "반가웠다"),
    "고맙다": ("고마운", "고마워", "고마워요", "고맙고", "고맙습니다", "고마웠다", "고마웠어요"),
    "신나다": ("신나", "신나요", "신나는", "신났다", "신나게", "신나고"),
    "화나다": ("화나", "화나요", "화나는", "화났다", "화난", "화나게"),
    "짜증나다": ("짜증나", "짜증나요", "짜증나는", "짜증난다", "짜증났다", "짜증나게", "짜증나네"),
    "귀찮다": ("귀찮아", "귀찮아요", "귀찮고", "귀찮네요"),
    "안타깝다": ("안타까운", "안타깝게", "안타까워", "안타깝네요", "안타깝습니다"),
    "아쉽다": ("아쉬운", "아쉬워", "아쉬워요", "아쉽고", "아쉽게", "아쉬웠다", "아쉽네요",
             "아쉬움"),
    "부럽다": ("부러운", "부러워요", "부럽네요", "부럽다고"),
    "지겹다": ("지겨워", "지겨워요", "지겹고", "지겹네요"),
    "역겹다": ("역겨워", "역겹고", "역겹네요"),
    "부끄럽다": ("부끄러워요", "부끄럽고", "부끄러웠다"),
    "자랑스럽다": ("자랑스러운", "자랑스러워", "자랑스럽습니다"),
    "사랑스럽다": ("사랑스러워", "사랑스럽고", "사랑스럽게"),
    "실망스럽다": ("실망스러운", "실망스러웠다", "실망스럽게"),
    "만족스럽다": ("만족스러운", "만족스러웠다", "만족스럽게"),
    "당황스럽다": ("당황스러운", "당황스러웠다"),
    "고통스럽다": ("고통스러운", "고통스러웠다"),
    "웃기다": ("웃긴", "웃겨", "웃겨요", "웃기고", "웃기네요", "웃겼다"),
    "미친": ("미쳐", "미쳤다", "미쳤어", "미치겠다", "미치겠어요", "미친다", "미치겠네"),
    "최고": ("최고다", "최고야", "최고예요", "최고입니다", "최고였다"),
    "최악": ("최악이다", "최악이야", "최악이에요", "최악입니다", "최악이었다"),
    "웃음": ("웃다", "웃고", "웃는", "웃어", "웃어요", "웃었어요"),
    "다행": ("다행이다", "다행히", "다행이에요", "다행입니다", "다행이야"),
    "울다": ("울고", "울었다", "울어", "울어요", "우는", "울었어요"),
    "죽음": ("죽다", "죽었다", "죽는", "죽고", "죽어"),
    "죽이다": ("죽였다", "죽인", "죽여", "죽이고"),
    "잃어버린": ("잃어버렸다", "잃었다", "잃고"),
    "속이다": ("속였다", "속인", "속이고"),
    "훔치다": ("훔쳤다", "훔쳐", "훔치고"),
    "괴롭히다": ("괴롭혔다", "괴롭히고", "괴롭히지"),
    "다투다": ("다퉜다", "다투고", "다투는"),
    "즐기는": ("즐기다", "즐겼다", "즐기고", "즐기세요", "즐겨요"),
    "쓸데없다": ("쓸데없는", "쓸데없이", "쓸데없어"),
    "지치다": ("지쳐", "지쳤다", "지친", "지쳐서", "지쳤어요"),
    "두렵다": ("두려운", "두렵고", "두려웠다", "두렵습니다", "두렵네요"),
    "반하다": ("반해", "반했다", "반한", "반했어요"),
    "설레다": ("설레는", "설레", "설렌다", "설렜다", "설레요", "설레고"),
    "아깝다": ("아까운", "아까워", "아깝게", "아깝네요", "아까웠다"),
    "하찮다": ("하찮은", "하찮게"),
    "재수없다": ("재수없는", "재수없어", "재수없게"),
    "이쁘다": ("이쁜", "이뻐", "이뻐요", "이쁘게", "이쁘네요"),
    "헤어지다": ("헤어졌다", "헤어진", "헤어져", "헤어졌어요", "헤어지고"),
    "가소롭다": ("가소로운", "가소롭네"),
    "헛되다": ("헛된", "헛되이"),
    "잘생긴": ("잘생겼다", "잘생겼네요", "잘생기고", "잘생겼어"),
    "못생긴": ("못생겼다", "못생기고"),
    "시끄러운": ("시끄럽다", "시끄러워", "시끄럽고", "시끄럽네요"),
}


def has_final_consonant(word: str) -> bool:
    """Whether the last syllable of ``word`` ends in a consonant (a batchim)."""
    code = ord(word[-1])
    return HANGUL_FIRST <= code <= HANGUL_LAST and (code - HANGUL_FIRST) % 28 != 0


def ends_in_rieul(word: str) -> bool:
    """Whether the last syllable of ``word`` ends in ㄹ (which takes 로, not 으로)."""
    code = ord(word[-1])
    return HANGUL_FIRST <= code <= HANGUL_LAST and (code - HANGUL_FIRST) % 28 == RIEUL_FINAL


def particle_forms(noun: str) -> list[str]:
    """The noun with each common case particle, in its right allomorph."""
    closed = has_final_consonant(noun)
    instrumental = "으로" if closed and not ends_in_rieul(noun) else "로"
    return [
        noun + ("이" if closed else "가"),
        noun + ("은" if closed else "는"),
        noun + ("을" if closed else "를"),
        noun + "의",
        noun + "에",
        noun + "도",
        noun + instrumental,
    ]


def read_review(path: Path) -> tuple[set[str], set[str]]:
    """All words of the review file, and those that end up in the lexicon."""
    every: set[str] = set()
    final: set[str] = set()
    with path.open(encoding="utf-8", newline="") as handle:
        for row in csv.DictReader(handle, delimiter="\t", quoting=csv.QUOTE_NONE):
            every.add(row["word"])
            if row["decision"] != "drop":
                final.add(row["word"])
    return every, final


def read_source(path: Path) -> set[str]:
    """The words of the lexicon as its sources give it."""
    with path.open(encoding="utf-8") as handle:
        return {line.split("\t", 1)[0] for line in handle if line.strip()}


def candidate_forms() -> list[tuple[str, str]]:
    """Every (form, lemma) pair the tables describe, in a stable order."""
    pairs: list[tuple[str, str]] = []
    for noun in NOUNS:
        pairs.extend((form, noun) for form in particle_forms(noun))
    for root, lemma in HADA_VERBS.items():
        pairs.extend((root + ending, lemma) for ending in HADA_VERB_ENDINGS)
    for root, lemma in HADA_ADJECTIVES.items():
        pairs.extend((root + ending, lemma) for ending in HADA_ADJECTIVE_ENDINGS)
    for lemma, forms in IRREGULAR.items():
        pairs.extend((form, lemma) for form in forms)
    return pairs


def build() -> list[tuple[str, str]]:
    """The forms to write: real forms of final words that are not words themselves."""
    every, final = read_review(REVIEW)
    words = every | read_source(SOURCE)
    chosen: dict[str, str] = {}
    for form, lemma in candidate_forms():
        form = unicodedata.normalize("NFC", form)
        if lemma not in final:
            raise ValueError(f"lemma {lemma!r} of {form!r} is not a kept, rescored or added word")
        if form in words or form in chosen:
            continue
        chosen[form] = lemma
    return list(chosen.items())


def main() -> None:
    """Write the forms file."""
    rows = build()
    with OUTPUT.open("w", encoding="utf-8", newline="") as handle:
        handle.write("form\tlemma\n")
        for form, lemma in rows:
            handle.write(f"{form}\t{lemma}\n")
    print(f"{len(rows)} forms written to {OUTPUT.relative_to(ROOT)}")


if __name__ == "__main__":
    main()
